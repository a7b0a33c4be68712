#!/usr/bin/python3
"""User story: a new user types an identifier list, saves it, loads it again in
a second run and fills office templates (.odt and .doc) with it.

The built program is started as a user starts it, on a desktop of its own
(Xvfb and openbox), with an empty program folder and a private home, and is
driven only by real X key presses and clicks (xdotool). What it saved is
compared byte for byte; what it filled is read back from the same office
through UNO. Every step leaves a screenshot in the artefacts folder.

    fill_from_typed_list.py --program PATH --artifacts DIR [--docs DIR]

--docs copies the screenshots that the README shows into DIR.
"""

import sys

# Keep the source folder free of compiled modules.
sys.dont_write_bytecode = True

import os
import shutil
import subprocess
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import DEADLINE, Desktop, Failure, log, run_story, wait_until  # noqa: E402
from office import Office  # noqa: E402

MAIN = "Квилмар"
TEMPLATE_TEXT = ("ДОГОВОР ПОСТАВКИ № 15\n"
                 "г. [Город]\t\t\t[Дата]\n\n"
                 "Покупатель: [ФИО]\n"
                 "Поставщик: ООО «Квилмар»\n\n"
                 "Поставщик передает товар в г. [Город] не позднее [Дата].\n\n"
                 "Покупатель ____________ [ФИО]")
REPLACEMENTS = {"[ФИО]": "Иванов Иван Иванович", "[Город]": "Москва", "[Дата]": "2 мая 2024"}
# The list after typing, editing, toggling and moving, as the save writes it.
SAVED_LIST = ("3\r\n19\r\n"
              "[ФИО]\r\nзаказчик\r\nИванов Иван Иванович\r\n"
              "[Город]\r\n\r\nМосква\r\n"
              "[Дата]\r\n\r\n2 мая 2024\r\n").encode("cp1251")


# --- what the main window shows -----------------------------------------

class ListView:
    """The list box as seen on the screen: its bounds in the window and the
    centre of each line of text, found from the window's pixels."""

    def __init__(self, pixels):
        width = len(pixels[0])
        white = (255, 255, 255)
        rows = []
        for y, row in enumerate(pixels):
            run = best = start = best_start = 0
            for x, pixel in enumerate(row):
                if pixel == white:
                    if run == 0:
                        start = x
                    run += 1
                    if run > best:
                        best, best_start = run, start
                else:
                    run = 0
            # Only the list box has a white area this wide.
            if best >= width * 0.85:
                rows.append((y, best_start, best_start + best - 1))
        if not rows:
            raise Failure("no list box in the main window")
        self.left = min(r[1] for r in rows)
        self.right = max(r[2] for r in rows)
        self.top, self.bottom = rows[0][0], rows[-1][0]

        # A selected first or last line is not white: the list goes on up
        # and down while its rows are mostly white or blue (selected, current).
        def inside(y):
            row = pixels[y][self.left:self.right + 1]
            filled = sum(1 for p in row if p == white or p[2] > p[0] + 10)
            return filled >= len(row) // 2
        while self.top > 0 and inside(self.top - 1):
            self.top -= 1
        while self.bottom + 1 < len(pixels) and inside(self.bottom + 1):
            self.bottom += 1
        # A row holds text when some pixel differs from the row's background
        # (white, or the selection's colour).
        bands, band = [], None
        for y in range(self.top, self.bottom + 1):
            row = pixels[y][self.left + 2:self.right - 2]
            background = max(set(row[::7]), key=row[::7].count)
            ink = any(p != background for p in row)
            if ink and band is None:
                band = y
            elif not ink and band is not None:
                # A focus frame's edge is a band of a row or two: not text.
                if y - band >= 4:
                    bands.append((band + y - 1) // 2)
                band = None
        self.lines = bands
        self.pixels = pixels

    def status_ink(self, i):
        """The dark points of line i's status word, from its own top left:
        "вкл. " and "выкл " differ."""
        y = self.lines[i]
        start = self.left + (self.right - self.left) * 88 // 100
        points = set()
        for dy in range(-8, 9):
            row = self.pixels[y + dy]
            background = row[self.right - 3]
            for x in range(start, self.right - 2):
                if sum(abs(a - b) for a, b in zip(row[x], background)) > 200:
                    points.add((x, dy))
        if not points:
            return points
        left, top = min(p[0] for p in points), min(p[1] for p in points)
        return {(x - left, dy - top) for x, dy in points}

    def line(self, i):
        """A point inside line i, over its identifier."""
        if i >= len(self.lines):
            raise Failure("the list shows %d lines, line %d is not there" % (len(self.lines), i + 1))
        return self.left + 40, self.lines[i]

    def up_arrow(self):
        """The centre of the upper of the two arrow buttons right of the list."""
        dark = [(x, y) for y in range(self.top, self.bottom)
                for x in range(self.right + 4, len(self.pixels[0]))
                if max(self.pixels[y][x]) < 100]
        if not dark:
            raise Failure("no arrow buttons beside the list")
        upper = [p for p in dark if p[1] < (min(d[1] for d in dark) + max(d[1] for d in dark)) / 2]
        xs, ys = [p[0] for p in upper], [p[1] for p in upper]
        return (min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2


class Program:
    """One run of the built program."""

    def __init__(self, desktop, path, env, args=()):
        self.desktop = desktop
        log("program: start %s" % " ".join([path] + list(args)))
        self.process = subprocess.Popen([path] + list(args), env=env)

    def main_window(self):
        self.window = self.desktop.wait_window(MAIN)
        return self.window

    def list_view(self):
        self.desktop.activate(self.window)
        return ListView(self.desktop.pixels(self.window))

    def expect_lines(self, count, why):
        # The list repaints after the event that changed it: poll briefly.
        try:
            wait_until("%d lines in the list" % count, lambda: len(self.list_view().lines) == count, 20, 0.5)
        except Failure:
            raise Failure("%s: the list shows %d lines, expected %d"
                          % (why, len(self.list_view().lines), count))

    def click_line(self, i, double=False):
        x, y = self.list_view().line(i)
        self.desktop.click(self.window, x, y, double)

    def quit(self):
        """Closes the main window as a user does (Alt+F4), expecting no question."""
        self.desktop.activate(self.window)
        self.desktop.key("alt+F4")
        try:
            self.process.wait(DEADLINE)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after its window was closed")
        if self.process.returncode != 0:
            raise Failure("the program ended with %d" % self.process.returncode)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


def select_and_type(desktop, text):
    """Types over the whole text of the focused box."""
    desktop.key("Home", "shift+End")
    desktop.type(text)


# --- the story -----------------------------------------------------------

def type_the_list(d, run):
    """Types three identifiers with the keyboard; «Добавить» must turn on as
    soon as an identifier is typed."""
    window = run.main_window()
    d.screenshot("first-start", window)
    # The focus starts on «Обзор»; Tab goes to «Исходный текст», where Enter
    # does nothing.
    known = set(d.windows(pid=run.process.pid))
    d.key("Tab")
    d.type("[ФИО]")
    d.key("Return")
    d.screenshot("enter-in-a-text-box", window)
    d.key("Tab")
    d.type("Иванов Иван Иванович")
    # The comment box lies behind: Shift+Tab through «Исходный текст»,
    # «Обзор», the template box and the status box.
    d.keys("shift+Tab", 5)
    d.type("заказчик")
    # Tab on through the status box, the template box, «Обзор», the two
    # boxes, to «Добавить»; Enter presses it.
    d.keys("Tab", 6)
    d.key("Return")
    run.expect_lines(1, "Enter on «Добавить» after typing [ФИО]")
    if set(d.windows(pid=run.process.pid)) != known:
        raise Failure("Enter in «Исходный текст» or on «Добавить» opened a window")
    d.screenshot("first-record", window)

    for identifier, text in (("[Дата]", "1 мая 2024"), ("[Город]", "Москва")):
        # «Очистить» empties the boxes (the comment too); the focus is back
        # in «Исходный текст» after «Добавить».
        d.keys("Tab", 3)
        d.key("space")
        d.keys("shift+Tab", 2)
        d.type(identifier)
        d.key("Tab")
        d.type(text)
        d.key("Tab")
        d.key("space")
    run.expect_lines(3, "«Добавить» after typing [Дата] and [Город]")
    d.screenshot("three-records", window)


def edit_toggle_move(d, run):
    window = run.window
    # Edit [Дата]: click its line, Tab on to «Заменить на», type over it.
    run.click_line(1)
    d.keys("Tab", 6)
    select_and_type(d, "2 мая 2024")
    d.key("Tab")
    d.key("space")
    box = d.wait_window("Подтверждение")
    d.screenshot("replace-question")
    # A question with only «Да» and «Нет» has no answer for Escape.
    d.key("Escape")
    time.sleep(1)
    if box not in d.windows():
        raise Failure("Escape answered the question «Заменить текст на новый?»")
    d.key("Return")
    d.activate(window)
    # Switch [ФИО] off and on again with double clicks; a click on the last
    # line leaves the first two unselected, so their status words compare.
    run.click_line(0, double=True)
    d.screenshot("switched-off", window)
    run.click_line(2)
    view = run.list_view()
    if view.status_ink(0) == view.status_ink(1):
        raise Failure("a double click did not switch [ФИО] off")
    run.click_line(0, double=True)
    run.click_line(2)
    view = run.list_view()
    if view.status_ink(0) != view.status_ink(1):
        raise Failure("a second double click did not switch [ФИО] on again")
    # Move [Город] up with the upper arrow.
    d.click(window, *view.up_arrow())
    d.screenshot("moved", window)


def close_keeps_the_list(d, run):
    """Closing with an unsaved list asks first; Escape in the question keeps
    the program open with the list."""
    d.activate(run.window)
    d.key("alt+F4")
    box = d.wait_window("Подтверждение")
    d.screenshot("close-question", box)
    d.key("Escape")
    d.wait_gone(box)
    run.expect_lines(3, "Escape in the close question")
    d.screenshot("still-open-after-escape", run.window)


def drop_list(d, run, source, cancel):
    """Drops the list file on the list box: the question about the unsaved
    list comes first; Escape keeps the list, «Нет» opens the dropped one."""
    view = run.list_view()
    d.drag(source, run.window, (view.left + view.right) // 2, (view.top + view.bottom) // 2)
    box = d.wait_window("Подтверждение")
    d.screenshot("drop-question", box)
    d.key("Escape" if cancel else "alt+Cyrillic_en")
    d.wait_gone(box)
    run.expect_lines(1 if cancel else 3, "a dropped list file, then «%s»" % ("Отмена" if cancel else "Нет"))
    d.screenshot("dropped-cancelled" if cancel else "dropped-opened", run.window)


def save_list(d, run, path):
    known = set(d.windows(pid=run.process.pid))
    d.key("F2")
    d.wait_window("Выберите способ сохранения списка")
    # The window starts on «Сохранить идентификаторы и текст замены».
    d.screenshot("save-choice")
    d.key("Return")
    dialog = d.wait_new_window(run.process.pid, known)
    d.type(path)
    d.screenshot("save-dialog")
    d.key("Return")
    d.wait_gone(dialog)
    wait_until("the list file", lambda: os.path.isfile(path), 30)


def load_list(d, run, path):
    known = set(d.windows(pid=run.process.pid))
    d.activate(run.window)
    d.key("ctrl+l")
    dialog = d.wait_new_window(run.process.pid, known)
    d.type(path)
    d.screenshot("open-dialog")
    d.key("Return")
    d.wait_gone(dialog)
    run.expect_lines(3, "loading the list with Ctrl+L")


def fill(d, run, office, template, shot):
    """Names the template in the template box and presses «Старт»; returns
    the text of the document the office then holds."""
    d.activate(run.window)
    select_and_type(d, template)
    # Back from the template box to «Старт»: the status box, the comment, the
    # list, «Выход», «Старт».
    d.keys("shift+Tab", 5)
    d.key("Return")
    done = d.wait_window("Информация", 300)
    doc, text = office.take_filled()
    d.screenshot(shot)
    d.activate(done)
    d.key("Return")
    d.wait_gone(done)
    log("  filled: %s" % text)
    return doc, text


def check_filled(text, template, off=()):
    """Every enabled identifier replaced everywhere, the ones switched off not."""
    expected = TEMPLATE_TEXT
    for identifier, replacement in REPLACEMENTS.items():
        if identifier not in off:
            expected = expected.replace(identifier, replacement)
    text = text.replace("\r\n", "\n").strip()
    if text != expected:
        raise Failure("%s filled as %r, expected %r" % (template, text, expected))


def menu(d, window, command):
    """Chooses a menu command with the keyboard: «Правка» by its access key,
    Up to its last item «Настройка» (the first, «Очистить», opens a submenu
    on Right), Right to «Команды», Down to the item."""
    d.activate(window)
    d.key("alt+Cyrillic_pe")
    d.key("Up")
    if command != "Настройка":
        d.key("Right")
        d.keys("Down", {"Сумма прописью": 0, "Расчет НДС": 1}[command])
    d.key("Return")


def side_windows(d, run, shots):
    """The windows the README shows, reached with the keyboard. Ctrl+A opens
    the about window from a button (in a text box it selects the text)."""
    window = run.window
    d.activate(window)
    shots["main-window"] = d.screenshot("main-window", window)
    # From «Старт» to «Обзор»: «Выход», the list, the comment, the status
    # box, the template box, «Обзор».
    d.keys("Tab", 6)
    d.key("ctrl+a")
    about = d.wait_window("О программе")
    shots["about-window"] = d.screenshot("about", about)
    d.key("Escape")
    d.wait_gone(about)

    # «Правка» → «Настройка» (below «Очистить» and a separator).
    menu(d, window, "Настройка")
    options = d.wait_window("Настройка параметров программы")
    shots["options-window"] = d.screenshot("options", options)
    d.key("space")   # «Изменить...», the first control
    font = d.wait_window("Шрифт")
    d.screenshot("font-dialog", font)
    d.key("Escape")
    d.wait_gone(font)
    d.activate(options)
    d.key("Escape")
    d.wait_gone(options)

    # «Команды» → «Сумма прописью»: type an amount, «Преобразовать».
    menu(d, window, "Сумма прописью")
    amount = d.wait_window("Преобразование суммы в прописной вид")
    d.type("1500,50")
    d.keys("Tab", 2)   # past the words to «Преобразовать»
    before = d.settled(amount)
    d.key("space")
    d.settled(amount, before)   # the words
    shots["amount-window"] = d.screenshot("amount", amount)
    d.key("Escape")
    d.wait_gone(amount)

    # «Команды» → «Расчет НДС»: type an amount, «НДС от СТОИМОСТИ».
    menu(d, window, "Расчет НДС")
    vat = d.wait_window("Расчет НДС")
    d.type("1000")
    d.key("Tab")
    before = d.settled(vat)
    d.key("space")
    d.settled(vat, before)   # the tax
    shots["vat-window"] = d.screenshot("vat", vat)
    d.key("Escape")
    d.wait_gone(vat)


def opened_again(d, run, program, env, handed):
    """The user moves a record by keyboard and switches it off (the list is
    then unsaved), and opens another list from the file manager: a second
    start hands it to the running copy, which asks about the unsaved list,
    as Ctrl+L does, and opens it."""
    run.click_line(0)
    d.key("ctrl+Down", "space")
    d.screenshot("moved-by-keyboard", run.window)
    with open(handed, "wb") as f:
        f.write("2\r\n19\r\n[Номер]\r\n\r\n15\r\n[ФИО]\r\n\r\nПетров\r\n".encode("cp1251"))
    if subprocess.run([program, handed], env=env, timeout=DEADLINE).returncode != 0:
        raise Failure("the second start did not end well")
    box = d.wait_window("Подтверждение")
    d.screenshot("handed-over-question", box)
    d.key("alt+Cyrillic_en")   # «Нет»: the changes go
    d.wait_gone(box)
    run.expect_lines(2, "a list handed over by a second start")
    d.screenshot("handed-over-opened", run.window)


def story(args, folder):
    home = os.path.join(folder, "home")
    program_dir = os.path.join(folder, "program")
    runtime = os.path.join(folder, "runtime")
    work = os.path.join(folder, "Документы")
    for sub in (home, program_dir, runtime, work):
        os.makedirs(sub, mode=0o700)
    list_path = os.path.join(work, "договор.fdp")
    odt = os.path.join(work, "шаблон.odt")
    doc_template = os.path.join(work, "шаблон.doc")

    d = Desktop(args.artifacts)
    office = Office(dict(d.env, HOME=home), folder)
    runs = []
    shots = {}
    try:
        office.start()
        office.make_template(odt, TEMPLATE_TEXT, "writer8")
        office.make_template(doc_template, TEMPLATE_TEXT, "MS Word 97")

        # Russian numbers (the decimal comma) without a Russian C library
        # locale on the machine: Qt reads LC_NUMERIC itself.
        env = dict(d.env, HOME=home, KVILMAR_PROGRAM_DIR=program_dir, XDG_RUNTIME_DIR=runtime,
                   QT_QPA_PLATFORM="xcb", LANG="C.UTF-8", LC_NUMERIC="ru_RU.UTF-8",
                   **office.program_env())
        env.pop("LC_ALL", None)
        env.pop("KVILMAR_OFFICE_HEADLESS", None)
        env.pop("KVILMAR_DIALOGS", None)

        log("run 1: type, edit, switch, move and save a list")
        run = Program(d, args.program, env)
        runs.append(run)
        type_the_list(d, run)
        edit_toggle_move(d, run)
        close_keeps_the_list(d, run)
        save_list(d, run, list_path)
        run.quit()
        with open(list_path, "rb") as f:
            saved = f.read()
        if saved != SAVED_LIST:
            raise Failure("the list file holds %r, expected %r" % (saved, SAVED_LIST))
        log("  %s: %d bytes as expected" % (list_path, len(saved)))
        with open(os.path.join(program_dir, "nstrtxt.dan"), "rb") as f:
            remembered = f.read()
        if remembered != b"1" + list_path.encode("cp1251") + b"\r\n2\r\n":
            raise Failure("nstrtxt.dan holds %r" % remembered)

        log("run 2: load the list with Ctrl+L and fill two templates")
        run = Program(d, args.program, env)
        runs.append(run)
        run.main_window()
        # An unsaved record, then the list file dropped from a file manager.
        d.key("Tab")
        d.type("[X]")
        d.keys("Tab", 2)
        d.key("Return")
        run.expect_lines(1, "Enter on «Добавить» after typing [X]")
        runs.append(Program(d, args.drag_source, env, [list_path]))
        dragged = d.wait_window("drag source")
        d.xdotool("windowmove", dragged, 0, 0)
        for cancel in (True, False):
            drop_list(d, run, dragged, cancel)
        load_list(d, run, list_path)
        # Switch [Город] off: it must stay in the document.
        run.click_line(1, double=True)
        # From the list to the template box: the comment, the status box.
        d.keys("Tab", 3)
        doc, text = fill(d, run, office, odt, "filled-odt")
        check_filled(text, odt, off=("[Город]",))
        doc.close(True)
        # [Город] on again: the .doc template gets every identifier.
        run.click_line(1, double=True)
        d.keys("Tab", 3)
        doc, text = fill(d, run, office, doc_template, "filled-doc")
        check_filled(text, doc_template)
        # The document as the user then looks at it, in front.
        d.wait_window(None, pattern="LibreOffice Writer$")
        shots["filled-document"] = d.screenshot("filled-document")
        doc.close(True)
        side_windows(d, run, shots)
        opened_again(d, run, args.program, env, os.path.join(work, "другой.fdp"))
        run.quit()

        log("run 3: the start window from the command line")
        run = Program(d, args.program, env, ["-s", odt, list_path])
        runs.append(run)
        start = d.wait_window("Выбор файлов")
        shots["start-window"] = d.screenshot("start-window", start)
        d.key("Escape")
        d.wait_window("Подтверждение")
        d.key("Return")
        run.process.wait(DEADLINE)
    finally:
        for run in runs:
            run.kill()
        office.stop()
        d.close()
    if args.docs:
        for name, path in shots.items():
            shutil.copyfile(path, os.path.join(args.docs, name + ".png"))
            log("docs: %s.png" % name)


if __name__ == "__main__":
    sys.exit(run_story(story, "the typed list was saved, loaded and filled into both templates"))
