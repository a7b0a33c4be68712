#pragma once

#include "common/windows/LazyWindows.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QObject>
#include <QTest>

#include <memory>

// The fixture of a window test. The whole class runs with HOME in a
// temporary folder. Each test starts with a program folder of its own, the
// scripted dialog seam, an empty identifier list with no file name, the
// diagnostic mode and the options' switches off, and the windows it needs
// made anew; after it, a box or dialog it did not answer fails it, and the
// windows are deleted.
//
// A test class derives from this one and does not declare initTestCase(),
// init() or cleanup(): it makes its windows in makeWindows() and sets what
// else each test starts from in prepare().
class WindowTest : public QObject {
    Q_OBJECT

protected:
    // Makes a window anew behind the program's pointer to it. It is deleted
    // after the test, whatever the pointer then holds, and the pointer
    // emptied, as are the windows the program made meanwhile.
    template <class Window>
    Window* make(Window*& global)
    {
        global = nullptr;
        return lazyWindows::made(global);
    }

    virtual void makeWindows() = 0;
    // Deletes the windows and makes them anew, as at start-up, over the
    // present program folder.
    void remakeWindows();
    // Runs once the windows stand; a failed check here fails the test.
    virtual void prepare() {}
    // Runs after the windows are deleted.
    virtual void tidy() {}

    std::unique_ptr<TempFolder> home_;
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<ScriptedDialogs> dialogs_;

private slots:
    void initTestCase();
    void init();
    void cleanup();

private:
    void verifyDialogs();

    void deleteWindows();
};
