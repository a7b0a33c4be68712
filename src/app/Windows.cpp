#include "app/Windows.h"

#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelSumList.h"
#include "amounts/windows/UnitVelnds.h"
#include "app/UnitVelStart.h"
#include "app/WindowLinks.h"
#include "common/SaveCopies.h"
#include "filling/windows/UnitVelExcelSelect.h"
#include "filling/windows/UnitVelTest.h"
#include "general/windows/UnitVelGeneral.h"
#include "general/windows/UnitVelSaveSelect.h"
#include "net/windows/UnitBrowser.h"
#include "settings/windows/UnitVelAbout.h"
#include "settings/windows/UnitVelOptions.h"

// Each window's create handler runs while it is made: the main window reads
// the last-files file, whose names the start window then offers.
void createWindows(const QStringList& parameters)
{
    FormVelStart = new TFormVelStart;
    FormVelStart->setCommandLine(parameters);
    FormVelGeneral = new TFormVelGeneral;
    FormVelStart->AddRememberedFiles(FormVelGeneral->remembered());
    FormVelAbout = new TFormVelAbout;
    FormSaveSelect = new TFormSaveSelect;
    FormExcelSelect = new TFormExcelSelect;
    FormVelOptions = new TFormVelOptions;
    FormVelBrowser = new TFormVelBrowser;
    FormCommands = new TFormCommands;
    FormSumList = new TFormSumList;
    FormVelnds = new TFormVelnds;
    FormTest = new TFormTest;
    connectWindows();
    // The mode is off at every start, so copies left by a killed save are
    // named as soon as the user switches it on.
    QObject::connect(FormTest, &QDialog::accepted, &saveCopies::traceLeftoverCopies);
}

namespace {

template <class W>
void destroy(W*& window)
{
    delete window;
    window = nullptr;
}

} // namespace

void destroyWindows()
{
    destroy(FormTest);
    destroy(FormVelnds);
    destroy(FormSumList);
    destroy(FormCommands);
    destroy(FormVelBrowser);
    destroy(FormVelOptions);
    destroy(FormExcelSelect);
    destroy(FormSaveSelect);
    destroy(FormVelAbout);
    destroy(FormVelGeneral);
    destroy(FormVelStart);
}
