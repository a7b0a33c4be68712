#include "WindowTest.h"

#include "common/TraceLog.h"
#include "general/IdentifierList.h"
#include "app/WindowLinks.h"
#include "settings/OptionSwitches.h"

void WindowTest::initTestCase()
{
    home_ = std::make_unique<TempFolder>(false);
    qputenv("HOME", home_->path().toLocal8Bit());
    lazyWindows::setLinker(&connectWindows);
}

void WindowTest::init()
{
    folder_ = std::make_unique<TempFolder>();
    dialogs_ = std::make_unique<ScriptedDialogs>();
    identifierList().clearAll();
    identifierList().setFileName(QString());
    setDiagnosticMode(DiagnosticMode::Off);
    optionSwitches::setOfferStartWindow(false);
    optionSwitches::setRestoreRange(false);
    makeWindows();
    connectWindows();
    prepare();
}

void WindowTest::cleanup()
{
    if (!QTest::currentTestFailed())
        verifyDialogs();
    deleteWindows();
    tidy();
    dialogs_.reset();
    folder_.reset();
}

void WindowTest::verifyDialogs()
{
    KV_VERIFY_DIALOGS(*dialogs_);
}

void WindowTest::remakeWindows()
{
    deleteWindows();
    makeWindows();
    connectWindows();
}

void WindowTest::deleteWindows()
{
    lazyWindows::deleteAll();
}
