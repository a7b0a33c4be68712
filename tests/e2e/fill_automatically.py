#!/usr/bin/python3
"""User story: a clerk fills one contract for every client of a table without
any window, from a shell on a machine with no display, and then once more
from the start window's «Запуск в автоматическом режиме».

1. The README's example runs as written, its output folder missing.
   `kvilmar fill` runs with DISPLAY unset and no office answering on its
   pipe: it starts a LibreOffice of its own without windows, makes a PDF per
   row of a CSV table and an .xlsx from a workbook template, and ends that
   office again. The PDFs are read back with pdftotext, the workbook through
   UNO. Two offices at once (--jobs 2) make the same PDFs and the same
   report as one. A long batch whose terminal hangs up stops after the
   document it was making, and is finished by running it again with
   --skip-existing.
2. On a desktop of its own (Xvfb, openbox), `kvilmar -s TEMPLATE` opens the
   start window with the template named; a `kvilmar fill` beside it uses the
   windows' office and leaves it running; the list file's name is typed with
   real key presses, which enables the automatic button; Tab and Space press
   it, the save dialog gets a name, the completion box is confirmed, and the
   saved document goes to the system's viewer (a stand-in registered as the
   viewer of PDFs). The main window never opens.

    fill_automatically.py --program PATH --artifacts DIR [--docs DIR]

--docs copies the screenshot the README shows into DIR.
"""

import sys

# Keep the source folder free of compiled modules.
sys.dont_write_bytecode = True

import os
import re
import shutil
import signal
import subprocess

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import DEADLINE, Desktop, Failure, log, run_story, wait_until  # noqa: E402
from office import Office, prop  # noqa: E402

import uno  # noqa: E402

TEMPLATE_TEXT = ("ДОГОВОР № [Номер]\n"
                 "Покупатель: [ФИО]\n"
                 "Адрес доставки: [Адрес]")
LIST = ("3\r\n19\r\n"
        "[ФИО]\r\n\r\n\r\n"
        "[Адрес]\r\n\r\nсамовывоз\r\n"
        "[Номер]\r\n\r\nб/н\r\n").encode("cp1251")
INVOICE_LIST = ("5\r\n19\r\n"
                "[Номер]\r\n\r\n\r\n"
                "[ФИО]\r\n\r\n\r\n"
                "[Товар]\r\n\r\n\r\n"
                "[Цена]\r\n\r\n\r\n"
                "[Итого]\r\n\r\n\r\n").encode("cp1251")
CLIENTS = ("[Номер];[ФИО];[Адрес]\r\n"
           "15;Иванов Иван Иванович;\"г. Москва; ул. Тверская, д. 1\"\r\n"
           "16;Петрова Анна Сергеевна;\r\n"
           "17;\"Сидоров \"\"Младший\"\"\";г. Тверь\r\n").encode("cp1251")
EXPECTED_PDFS = {
    "15_Иванов Иван Иванович.pdf":
        "ДОГОВОР № 15 Покупатель: Иванов Иван Иванович Адрес доставки: г. Москва; ул. Тверская, д. 1",
    "16_Петрова Анна Сергеевна.pdf": "ДОГОВОР № 16 Покупатель: Петрова Анна Сергеевна Адрес доставки:",
    "17_Сидоров \"Младший\".pdf": "ДОГОВОР № 17 Покупатель: Сидоров \"Младший\" Адрес доставки: г. Тверь",
}
VIEWER = """#!/bin/sh
printf '%s\\n' "$1" >> "$(dirname "$0")/opened.txt"
"""


def pdf_text(path):
    out = subprocess.run(["pdftotext", path, "-"], capture_output=True, check=True).stdout
    return " ".join(out.decode("utf-8").split())


def office_answers(pipe):
    """Whether an office answers on the pipe, asked through UNO."""
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    try:
        resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        return True
    except Exception:
        return False


def office_processes(text):
    """Ids of the offices whose command line holds the text (a folder of
    their profile)."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/cmdline" % entry, "rb") as f:
                line = f.read()
                if text.encode() in line and b"UserInstallation=" in line:
                    found.append(int(entry))
        except OSError:
            pass
    return found


def make_workbook(office, path):
    doc = office.desktop.loadComponentFromURL("private:factory/scalc", "_blank", 0, (prop("Hidden", True),))
    sheet = doc.getSheets().getByIndex(0)
    sheet.getCellRangeByName("A1").setString("Счёт для [ФИО]")
    sheet.getCellRangeByName("A2").setString("[Адрес]")
    doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", "Calc MS Excel 2007 XML"),))
    doc.close(True)
    log("office: made template %s" % path)


def read_cells(office, path, cells):
    doc = office.desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0, (prop("Hidden", True),))
    try:
        sheet = doc.getSheets().getByIndex(0)
        return [sheet.getCellRangeByName(c).getString() for c in cells]
    finally:
        doc.close(True)


def run_in_shell(command, env):
    """Runs a command line through sh, as typed in a terminal; returns its
    exit code and what it wrote to stderr, which is also printed."""
    log("$ " + command)
    result = subprocess.run(["sh", "-c", command], env=env, capture_output=True, text=True, timeout=DEADLINE * 3)
    for line in result.stderr.splitlines():
        log("  | " + line)
    log("  exit %d" % result.returncode)
    return result.returncode, result.stderr


README = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "README.md")


def readme_steps(marker):
    """The README's example whose block holds the marker: its "$ " commands
    with their continuation lines, each with what it prints."""
    with open(README, encoding="utf-8") as f:
        block = next(b for b in re.findall(r"(?:^    .*\n)+", f.read(), re.M) if marker in b)
    return [(c, o.splitlines()) for c, o in
            re.findall(r"^\$ ((?:.*\\\n)*.*)\n((?:(?!\$ ).*\n)*)", re.sub(r"^    ", "", block, flags=re.M), re.M)]


def run_readme_steps(args, here, steps, env):
    """Runs the steps with `kvilmar` on PATH in the folder; what is printed
    must be the README's, process numbers and times aside."""
    os.makedirs(os.path.join(here, "bin"))
    os.symlink(args.program, os.path.join(here, "bin", "kvilmar"))
    for command, printed in steps:
        result = subprocess.run(["sh", "-c", command], cwd=here, env=dict(env, PATH=here + "/bin:" + env["PATH"]),
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=DEADLINE * 3)
        log("$ %s\n%s" % (command, result.stdout))
        told = [[re.sub(r"процесс \d+|\d+[,.]\d с", "N", line) for line in lines]
                for lines in (result.stdout.splitlines(), printed)]
        if result.returncode != 0 or told[0] != told[1]:
            raise Failure("the README's %r ended with %d, printing %r" % (command, result.returncode, result.stdout))


def write_catted(here, steps, name):
    """The file the README shows with `cat`, as it shows it."""
    with open(os.path.join(here, name), "w", encoding="utf-8") as f:
        f.write("".join(line + "\n" for line in dict(steps)["cat " + name]))


def readme_example_runs(args, folder, office, env):
    """Runs the README's example as it is written there, in a folder without
    the output folder it names. Returns what was made."""
    steps = readme_steps("$ kvilmar fill договор.odt")
    here = os.path.join(folder, "readme")
    os.makedirs(here)
    write_catted(here, steps, "клиенты.csv")
    open(os.path.join(here, "договор.fdp"), "wb").write(LIST)
    office.make_template(os.path.join(here, "договор.odt"), TEMPLATE_TEXT, "writer8")
    run_readme_steps(args, here, steps, env)
    return os.listdir(os.path.join(here, "Договоры"))


def readme_invoices_run(args, folder, office, env):
    """The README's invoices: a clients table, a goods table and a template
    whose table row of goods is repeated; what the PDFs say is shown there
    too. Returns what was made."""
    steps = readme_steps("$ kvilmar fill счёт.odt")
    here = os.path.join(folder, "readme-invoices")
    os.makedirs(here)
    for name in ("счета.csv", "позиции.csv"):
        write_catted(here, steps, name)
    open(os.path.join(here, "счёт.fdp"), "wb").write(INVOICE_LIST)
    office.make_table_template(os.path.join(here, "счёт.odt"), "Счёт № [Номер], покупатель [ФИО]",
                               [["Товар", "Цена"], ["[Товар]", "[Цена]"], ["Итого", "[Итого]"]],
                               "Сумма прописью: [Прописью]\rВ том числе НДС 20 %: [НДС]", "writer8")
    run_readme_steps(args, here, steps, env)
    return os.listdir(os.path.join(here, "Счета"))


def command_line_batch(args, folder, work, office):
    """First half: no display, no office on the pipe."""
    pipe = "kvilmar_e2e_fill_%d" % os.getpid()
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL", "XDG_CACHE_HOME")}
    env.update(HOME=os.path.join(folder, "home"), KVILMAR_PROGRAM_DIR=os.path.join(folder, "program"),
               KVILMAR_OFFICE_PIPE=pipe, KVILMAR_OFFICE_PROFILE=os.path.join(folder, "fill-profile"),
               KVILMAR_OFFICE_WAIT="300", LANG="C.UTF-8", LC_NUMERIC="ru_RU.UTF-8")
    if office_answers(pipe):
        raise Failure("an office already answers on %s" % pipe)

    if len(readme_example_runs(args, folder, office, env)) != 3:
        raise Failure("the README's example did not make its three documents")
    if len(readme_invoices_run(args, folder, office, env)) != 2:
        raise Failure("the README's invoices are not two")
    code, told = run_in_shell("cd '%s' && '%s' fill договор.odt --list список.fdp --data клиенты.csv "
                              "--out 'Договоры/{[Номер]}_{[ФИО]}.pdf'" % (work, args.program), env)
    if code != 0:
        raise Failure("the fill command ended with %d" % code)
    if "Запущен LibreOffice без окон" not in told or "Сделано документов: 3 из 3." not in told:
        raise Failure("the fill command did not tell what it did")
    made = sorted(os.listdir(os.path.join(work, "Договоры")))
    if made != sorted(EXPECTED_PDFS):
        raise Failure("the folder holds %s, expected %s" % (made, sorted(EXPECTED_PDFS)))
    for name, expected in EXPECTED_PDFS.items():
        text = pdf_text(os.path.join(work, "Договоры", name))
        if text != expected:
            raise Failure("%s reads %r, expected %r" % (name, text, expected))
        log("  %s: %s" % (name, text))

    two_offices_make_the_same(args, work, env)
    stopped_by_hangup(args, work, env)

    code, told = run_in_shell("cd '%s' && '%s' fill счёт.xlsx --list список.fdp --set '[ФИО]=ООО «Ромашка»' "
                              "--range A1:A2 --out Договоры/счёт-ромашка.xlsx" % (work, args.program), env)
    if code != 0:
        raise Failure("the fill command ended with %d" % code)
    cells = read_cells(office, os.path.join(work, "Договоры", "счёт-ромашка.xlsx"), ("A1", "A2"))
    if cells != ["Счёт для ООО «Ромашка»", "самовывоз"]:
        raise Failure("the workbook holds %r" % cells)
    log("  счёт-ромашка.xlsx: %r" % cells)

    code, told = run_in_shell("cd '%s' && '%s' fill договор.odt --list список.fdp --out Договоры/текст.xlsx"
                              % (work, args.program), env)
    if code != 2 or "нельзя сохранить текстовый документ" not in told:
        raise Failure("a text document saved as a workbook was not refused as bad input")

    # The offices the commands started, with profiles in the user's cache,
    # are gone with them.
    own = os.path.join(folder, "home", ".cache", "kvilmar", "fill")
    wait_until("the commands' offices to end", lambda: not office_processes(own), 30, 0.5)
    if office_answers(pipe):
        raise Failure("an office answers on the program's pipe")
    log("  the commands' own offices have ended")


def two_offices_make_the_same(args, work, env):
    """--jobs 2 against --jobs 1: the same documents, the same report."""
    made = {}
    for jobs in ("1", "2"):
        out = os.path.join(work, "jobs-" + jobs)
        os.makedirs(out)
        code, told = run_in_shell("cd '%s' && '%s' fill договор.odt --list список.fdp --data клиенты.csv --jobs %s "
                                  "--out '%s/{[Номер]}_{[ФИО]}.pdf' --report '%s/отчёт.csv'"
                                  % (work, args.program, jobs, out, out), env)
        if code != 0:
            raise Failure("--jobs %s ended with %d" % (jobs, code))
        with open(os.path.join(out, "отчёт.csv"), encoding="utf-8") as f:
            report = f.read().replace(out, "OUT")
        made[jobs] = (report, {name: pdf_text(os.path.join(out, name))
                               for name in os.listdir(out) if name.endswith(".pdf")})
    if made["1"] != made["2"] or sorted(made["1"][1]) != sorted(EXPECTED_PDFS):
        raise Failure("--jobs 2 made %r, --jobs 1 %r" % (made["2"], made["1"]))
    log("  --jobs 2 made the same documents and report as --jobs 1")


def stopped_by_hangup(args, work, env):
    """A long batch whose terminal is closed after its second document: it
    stops there, says so, and leaves its office holding nothing (the office
    ends with the command, checked by the caller)."""
    with open(os.path.join(work, "много.csv"), "w", encoding="utf-8") as f:
        f.write("[ФИО]\n" + "".join("Клиент %d\n" % n for n in range(1, 201)))
    os.makedirs(os.path.join(work, "Прервано"))
    log("$ kvilmar fill договор.odt ... --data много.csv, then SIGHUP after document 2")
    process = subprocess.Popen([args.program, "fill", "договор.odt", "--list", "список.fdp", "--data", "много.csv",
                                "--out", "Прервано/{N}.pdf"], cwd=work, env=env, stderr=subprocess.PIPE, text=True)
    try:
        told = []
        for line in process.stderr:
            told.append(line)
            log("  | " + line.rstrip())
            if line.startswith("[2/200]"):
                process.send_signal(signal.SIGHUP)
                break
        for line in process.stderr.read().splitlines(True):
            told.append(line)
            log("  | " + line.rstrip())
        process.wait(DEADLINE)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    told = "".join(told)
    log("  exit %d" % process.returncode)
    made = len(os.listdir(os.path.join(work, "Прервано")))
    if process.returncode != 1 or "Работа прервана." not in told or not 2 <= made < 200:
        raise Failure("a hung-up batch did not stop after its document (exit %d, %d made)"
                      % (process.returncode, made))
    if any(name.startswith(".") for name in os.listdir(os.path.join(work, "Прервано"))):
        raise Failure("a hung-up batch left a hidden file")
    code, told = run_in_shell("cd '%s' && '%s' fill договор.odt --list список.fdp --data много.csv --rows 1-12 "
                              "--skip-existing --out 'Прервано/{N}.pdf'" % (work, args.program), env)
    if code != 0 or "Сделано документов: 12 из 12 (были до начала: %d)." % made not in told:
        raise Failure("the rest of a hung-up batch was not made by --skip-existing")


def start_window_button(args, folder, work, d, office):
    """Second half: the automatic button on a desktop."""
    home = os.path.join(folder, "home")
    # The system's viewer of PDFs: a script that notes what it was given.
    applications = os.path.join(home, ".local", "share", "applications")
    os.makedirs(applications, exist_ok=True)
    viewer = os.path.join(folder, "viewer.sh")
    with open(viewer, "w") as f:
        f.write(VIEWER)
    os.chmod(viewer, 0o755)
    with open(os.path.join(applications, "kvilmar-test-viewer.desktop"), "w") as f:
        f.write("[Desktop Entry]\nType=Application\nName=Viewer\nExec=%s %%f\nMimeType=application/pdf;\n" % viewer)
    os.makedirs(os.path.join(home, ".config"), exist_ok=True)
    with open(os.path.join(home, ".config", "mimeapps.list"), "w") as f:
        f.write("[Default Applications]\napplication/pdf=kvilmar-test-viewer.desktop\n")

    env = dict(d.env, HOME=home, KVILMAR_PROGRAM_DIR=os.path.join(folder, "program"),
               XDG_RUNTIME_DIR=os.path.join(folder, "runtime"), XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"), QT_QPA_PLATFORM="xcb", LANG="C.UTF-8",
               LC_NUMERIC="ru_RU.UTF-8", **office.program_env())
    for name in ("LC_ALL", "KVILMAR_OFFICE_HEADLESS", "KVILMAR_DIALOGS", "XDG_CURRENT_DESKTOP"):
        env.pop(name, None)

    # Names typed with xdotool are kept to ASCII: on a loaded machine a
    # character the keymap lacks is now and then lost on its way.
    template = os.path.join(work, "договор.odt")
    shutil.copyfile(os.path.join(work, "список.fdp"), os.path.join(work, "list.fdp"))
    output = os.path.join(work, "all-clients.pdf")
    log("program: start %s -s %s (in %s)" % (args.program, template, work))
    process = subprocess.Popen([args.program, "-s", template], env=env, cwd=work)
    shot = None
    try:
        start = d.wait_window("Выбор файлов")
        d.screenshot("start-window-template-only", start)
        # A batch beside the open window, through the windows' own office:
        # its document stays hidden, and the office runs on after it.
        batch_env = {k: v for k, v in env.items() if k not in ("DISPLAY", "QT_QPA_PLATFORM")}
        code, told = run_in_shell("cd '%s' && '%s' fill договор.odt --list список.fdp --set '[ФИО]=Рядом' "
                                  "--out Договоры/рядом.pdf" % (work, args.program), batch_env)
        if code != 0 or "Запущен LibreOffice" in told:
            raise Failure("the batch beside the window did not use the running office")
        if "Покупатель: Рядом" not in pdf_text(os.path.join(work, "Договоры", "рядом.pdf")):
            raise Failure("the batch beside the window made a wrong document")
        if not office_answers(office.pipe) or office.untitled_texts():
            raise Failure("the windows' office was ended or kept the batch's document")
        # The focus starts in the identifier file's box: type the list's name,
        # relative to the program's working folder.
        d.type("list.fdp")
        shot = d.screenshot("start-window-automatic", start)
        # Tab past «Обзор...», the check box, the template's box and its
        # «Обзор...» to the automatic button: it is in the order only when
        # enabled (otherwise Space would press the normal mode's button).
        d.keys("Tab", 5)
        d.key("space")
        dialog = d.wait_window("Сохранить заполненный документ")
        d.screenshot("save-dialog", dialog)
        # The dialog opens beside the template with a name suggested: type
        # another over it, without .pdf (the first format offered is PDF).
        d.key("ctrl+a")
        d.type("all-clients")
        d.key("Return")
        done = d.wait_window("Информация", 300)
        d.screenshot("completion-box", done)
        d.key("Return")
        d.wait_gone(done)

        text = pdf_text(output)
        expected = "ДОГОВОР № б/н Покупатель: Адрес доставки: самовывоз"
        if text != expected:
            raise Failure("the saved document reads %r, expected %r" % (text, expected))
        log("  %s: %s" % (os.path.basename(output), text))
        marker = os.path.join(folder, "opened.txt")
        wait_until("the viewer to be given the document", lambda: os.path.exists(marker), 60, 0.5)
        with open(marker) as f:
            opened = f.read().split("\n")[0]
        if os.path.realpath(opened) != os.path.realpath(output):
            raise Failure("the viewer was given %r" % opened)
        log("  the viewer was given %s" % opened)
        if d.windows("Квилмар"):
            raise Failure("the main window opened")
        if office.untitled_texts():
            raise Failure("the office kept a document open")

        # The start window is still there; leave as the user does.
        d.activate(start)
        d.key("Escape")
        d.wait_window("Подтверждение")
        d.key("Return")
        process.wait(DEADLINE)
        if process.returncode != 0:
            raise Failure("the program ended with %d" % process.returncode)
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    return shot


def story(args, folder):
    home = os.path.join(folder, "home")
    work = os.path.join(folder, "Документы")
    # The output folder «Договоры» is made by the first command that needs it.
    for sub in (home, os.path.join(folder, "program"), os.path.join(folder, "runtime"), work):
        os.makedirs(sub, mode=0o700)
    with open(os.path.join(work, "список.fdp"), "wb") as f:
        f.write(LIST)
    with open(os.path.join(work, "клиенты.csv"), "wb") as f:
        f.write(CLIENTS)

    d = Desktop(args.artifacts)
    office = Office(dict(d.env, HOME=home), folder)
    try:
        office.start()
        office.make_template(os.path.join(work, "договор.odt"), TEMPLATE_TEXT, "writer8")
        make_workbook(office, os.path.join(work, "счёт.xlsx"))
        log("first half: kvilmar fill from a shell without a display")
        command_line_batch(args, folder, work, office)
        log("second half: the start window's automatic button")
        shot = start_window_button(args, folder, work, d, office)
    finally:
        office.stop()
        d.close()
    if args.docs and shot:
        shutil.copyfile(shot, os.path.join(args.docs, "start-window-automatic.png"))
        log("docs: start-window-automatic.png")


if __name__ == "__main__":
    sys.exit(run_story(story, "documents made without a display and from the start window's automatic button"))
