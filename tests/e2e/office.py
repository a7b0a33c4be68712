"""The office of an end-to-end run: a LibreOffice of its own (private pipe
and profile, visible on the test's desktop), reached through the office's
own UNO bridge (python3-uno) to make templates and read filled documents."""

import os
import signal
import subprocess

import uno
from com.sun.star.beans import PropertyValue

from desktop import Failure, log, wait_until

# First-start screens (tips, what's new) would cover the documents.
PROFILE_SETTINGS = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse"><value>false</value></prop></item>
<item oor:path="/org.openoffice.Setup/Product"><prop oor:name="ooSetupLastVersion" oor:op="fuse"><value>99.0</value></prop></item>
</oor:items>
"""


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


class Office:
    def __init__(self, env, folder):
        self.pipe = "kvilmar_e2e_%d" % os.getpid()
        self.profile = os.path.join(folder, "office-profile")
        os.makedirs(os.path.join(self.profile, "user"), exist_ok=True)
        with open(os.path.join(self.profile, "user", "registrymodifications.xcu"), "w") as f:
            f.write(PROFILE_SETTINGS)
        self.env = env
        self.process = None
        self.desktop = None

    def program_env(self):
        """What tells the program to use this office and no other."""
        return {"KVILMAR_OFFICE_PIPE": self.pipe, "KVILMAR_OFFICE_PROFILE": self.profile,
                "KVILMAR_OFFICE_PROGRAM": "soffice", "KVILMAR_OFFICE_WAIT": "300"}

    def start(self):
        log("office: starting on pipe %s" % self.pipe)
        self.process = subprocess.Popen(
            ["soffice", "--nologo", "--nodefault", "--norestore", "--nolockcheck",
             "--accept=pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe,
             "-env:UserInstallation=" + uno.systemPathToFileUrl(self.profile)],
            env=self.env, start_new_session=True,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)

        def connect():
            try:
                return resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
            except Exception:
                if self.process.poll() is not None:
                    raise Failure("the office ended at start")
                return None
        context = wait_until("the office to answer", connect, 300, 1.0)
        self.desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
        log("office: answers")

    def stop(self):
        if self.desktop is not None:
            try:
                self.desktop.terminate()
            except Exception:
                pass
        if self.process is not None:
            try:
                self.process.wait(60)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()

    def make_template(self, path, text, filter_name):
        """A text document made by the office, stored with this filter."""
        doc = self.desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
        doc.getText().setString(text)
        doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", filter_name),))
        doc.close(True)
        log("office: made template %s" % path)

    def make_table_template(self, path, before, rows, after, filter_name):
        """A text document made by the office: a paragraph, a table of the
        rows of cell texts (its second row's first cell bold), a paragraph
        per line of `after`."""
        doc = self.desktop.loadComponentFromURL("private:factory/swriter", "_blank", 0, (prop("Hidden", True),))
        text = doc.getText()
        text.setString(before)
        table = doc.createInstance("com.sun.star.text.TextTable")
        table.initialize(len(rows), len(rows[0]))
        text.insertTextContent(text.getEnd(), table, False)
        for r, cells in enumerate(rows):
            for c, value in enumerate(cells):
                cell = table.getCellByName("%s%d" % (chr(ord("A") + c), r + 1))
                cell.setString(value)
                if r == 1 and c == 0:
                    cursor = cell.createTextCursor()
                    cursor.gotoEnd(True)
                    cursor.CharWeight = 150.0
        text.insertString(text.getEnd(), after, False)
        doc.storeToURL(uno.systemPathToFileUrl(path), (prop("FilterName", filter_name),))
        doc.close(True)
        log("office: made template %s" % path)

    def untitled_texts(self):
        """The text of every untitled text document open in the office."""
        texts = []
        components = self.desktop.getComponents().createEnumeration()
        while components.hasMoreElements():
            doc = components.nextElement()
            if hasattr(doc, "getText") and not doc.getURL():
                texts.append((doc, doc.getText().getString()))
        return texts

    def take_filled(self, deadline=300):
        """Waits for the one untitled document a filling run leaves, reads its
        text, then closes it so that the next run's document stands alone."""
        found = wait_until("the filled document in the office", lambda: self.untitled_texts(), deadline, 1.0)
        if len(found) != 1:
            raise Failure("expected one filled document, the office holds %d" % len(found))
        doc, text = found[0]
        return doc, text
