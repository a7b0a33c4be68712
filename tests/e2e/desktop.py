"""A private X desktop for driving the built program as a user does.

Xvfb with the openbox window manager; keys and clicks through xdotool (real
X input events); screenshots with ImageMagick's import. Every wait polls
against a generous deadline, so a loaded machine only makes a run slower.
"""

import argparse
import os
import re
import shutil
import subprocess
import tempfile
import time

DEADLINE = float(os.environ.get("KVILMAR_E2E_DEADLINE", "180"))


class Failure(Exception):
    """A step did not come out as a user would see it."""


def log(text):
    print(text, flush=True)


def run_story(story, passed):
    """The stories' command line: runs story(args, folder) in a fresh folder
    with the built program's absolute path, and says how it ended."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", required=True)
    parser.add_argument("--docs")
    parser.add_argument("--drag-source")
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    shutil.rmtree(args.artifacts, ignore_errors=True)
    folder = tempfile.mkdtemp(prefix="kvilmar-e2e-")
    try:
        story(args, folder)
    except Failure as failure:
        log("FAILED: %s" % failure)
        log("screenshots: %s" % args.artifacts)
        return 1
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    log("PASSED: " + passed)
    return 0


def wait_until(what, check, deadline=DEADLINE, interval=0.2):
    """Polls check() until it returns something true; fails after deadline."""
    end = time.monotonic() + deadline
    while True:
        result = check()
        if result:
            return result
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


class Desktop:
    def __init__(self, artifacts):
        self.artifacts = artifacts
        os.makedirs(artifacts, exist_ok=True)
        self.shots = 0
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display)
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until("the window manager", lambda: self._wm_running())
        self._map_cyrillic()
        log("desktop %s with openbox" % self.display)

    def _map_cyrillic(self):
        """Puts the Cyrillic letters on keycodes of their own, lower case
        with upper case on Shift. Without them xdotool remaps one spare
        keycode for every letter it types, and a program that reads the key
        after the next remap gets the wrong letter or none: on a loaded
        machine letters went missing. Keycodes without keys, or with media,
        keypad or Japanese and Korean input keys only, are taken: no story
        presses them."""
        table = subprocess.run(["xmodmap", "-pke"], env=self.env, check=True,
                               capture_output=True, text=True).stdout
        unused = ("XF86", "KP_", "NoSymbol", "Hangul", "Katakana", "Hiragana", "Henkan", "Muhenkan")
        spare = []
        for line in table.splitlines():
            number, _, syms = line.partition("=")
            if all(sym.startswith(unused) for sym in syms.split()):
                spare.append(int(number.split()[1]))
        letters = [(0x430 + i, 0x410 + i) for i in range(32)] + [(0x451, 0x401), (0x2116, 0x2116)]
        if len(spare) < len(letters):
            raise Failure("the keymap has only %d spare keycodes" % len(spare))
        lines = "".join("keycode %d = U%04X U%04X\n" % (code, lower, upper)
                        for code, (lower, upper) in zip(spare, letters))
        subprocess.run(["xmodmap", "-"], input=lines, env=self.env, check=True,
                       capture_output=True, text=True)

    def _wm_running(self):
        out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                             capture_output=True, text=True).stdout
        return "window id" in out

    def close(self):
        for process in (self.wm, self.xvfb):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()

    # --- xdotool ---------------------------------------------------------

    def xdotool(self, *args):
        result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env,
                                capture_output=True, text=True)
        if result.returncode != 0 and args[0] not in ("search", "getactivewindow"):
            raise Failure("xdotool %s: %s" % (" ".join(map(str, args)), result.stderr.strip()))
        return result.stdout.strip()

    def windows(self, name=None, pid=None, pattern=None):
        """Visible windows, by exact title or title pattern, and/or by process.
        Titles are compared here, as the window manager shows them
        (_NET_WM_NAME, UTF-8): xdotool's own matching reads the legacy
        WM_NAME, whose encoding follows the program's C library locale."""
        args = ["search", "--all", "--onlyvisible"]
        if pid is not None:
            args += ["--pid", pid]
        found = [int(w) for w in self.xdotool(*(args + ["--name", "."])).split()]
        if name is None and pattern is None:
            return found
        return [w for w in found
                if (self.title(w) == name if name is not None else re.search(pattern, self.title(w)))]

    def title(self, window):
        result = subprocess.run(["xdotool", "getwindowname", str(window)], env=self.env, capture_output=True)
        return result.stdout.decode("utf-8", "replace").strip()

    def wait_window(self, name, deadline=DEADLINE, pattern=None):
        """Waits for a visible window with this exact title (or whose title
        matches the pattern), activates it."""
        window = wait_until("window «%s»" % (name or pattern),
                            lambda: (self.windows(name, pattern=pattern) or [None])[0], deadline)
        self.activate(window)
        return window

    def wait_new_window(self, pid, known, deadline=DEADLINE):
        """Waits for a visible window of the process that is not yet known."""
        def new():
            fresh = [w for w in self.windows(pid=pid) if w not in known]
            return fresh[0] if fresh else None
        window = wait_until("a new window of the program", new, deadline)
        self.activate(window)
        return window

    def wait_gone(self, window, deadline=DEADLINE):
        wait_until("window %d to close" % window,
                   lambda: window not in self.windows(), deadline)

    def activate(self, window):
        def active():
            self.xdotool("windowactivate", window)
            return self.xdotool("getactivewindow") == str(window)
        wait_until("window %d to be active" % window, active, 30, 0.5)
        # Let the toolkit take the focus change in before keys arrive.
        time.sleep(0.3)

    def key(self, *keys):
        for k in keys:
            self.xdotool("key", "--clearmodifiers", "--delay", 60, k)

    def keys(self, key, times):
        for _ in range(times):
            self.key(key)

    def type(self, text):
        """Types text, Cyrillic included (on the keycodes _map_cyrillic gave
        it)."""
        self.xdotool("type", "--clearmodifiers", "--delay", 80, text)

    def click(self, window, x, y, double=False):
        """Clicks at a point given in the window's own coordinates."""
        self.xdotool("mousemove", "--window", window, x, y)
        time.sleep(0.2)
        self.xdotool("click", "--repeat", 2 if double else 1, "--delay", 120, 1)
        time.sleep(0.3)

    def drag(self, source, target, x, y):
        """Drags from the source window to a point of the target window,
        moving over it before the release as a hand does."""
        self.xdotool("mousemove", "--window", source, 20, 10)
        for args in [("mousedown", 1)] + [("mousemove", "--window", target, x - 40 + 10 * i, y) for i in range(5)]:
            time.sleep(0.2)
            self.xdotool(*args)
        self.xdotool("sleep", 0.3, "mouseup", 1)

    def geometry(self, window):
        """The window's client area on the screen: x, y, width, height."""
        out = self.xdotool("getwindowgeometry", "--shell", window)
        values = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])

    # --- screenshots -----------------------------------------------------

    def screenshot(self, name, window=None):
        """Saves the screen, or one window with its frame, as an artefact."""
        self.shots += 1
        path = os.path.join(self.artifacts, "%02d-%s.png" % (self.shots, name))
        args = ["import", "-window", "root" if window is None else str(window)]
        if window is not None:
            args.insert(1, "-frame")
        subprocess.run(args + [path], env=self.env, check=True, capture_output=True)
        log("  screenshot %s" % path)
        return path

    def settled(self, window, before=None):
        """The window's pixels once two looks in a row agree, unlike before."""
        looks = [before]

        def done():
            looks[:] = [looks[-1], self.pixels(window)]
            return looks[1] == looks[0] and looks[1] != before
        wait_until("window %d to finish painting" % window, done, 60, 0.2)
        return looks[1]

    def pixels(self, window):
        """The window's client area as rows of (r, g, b) tuples."""
        ppm = subprocess.run(["import", "-window", str(window), "-depth", "8", "ppm:-"], env=self.env,
                             check=True, capture_output=True).stdout
        header = []
        at = 0
        while len(header) < 4:
            end = ppm.index(b"\n", at)
            line = ppm[at:end]
            at = end + 1
            if not line.startswith(b"#"):
                header += line.split()
        width, height = int(header[1]), int(header[2])
        data = ppm[at:at + width * height * 3]
        return [[tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
                for y in range(height)]
