#include "app/Windows.h"

#include "amounts/UnitVelCommands.h"
#include "amounts/UnitVelSumList.h"
#include "amounts/UnitVelnds.h"
#include "app/UnitVelStart.h"
#include "filling/UnitVelTest.h"
#include "general/UnitVelGeneral.h"
#include "general/UnitVelSaveSelect.h"
#include "settings/UnitVelAbout.h"
#include "settings/UnitVelOptions.h"

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
    // TFormExcelSelect (range window) joins here.
    FormVelOptions = new TFormVelOptions;
    // TFormVelBrowser (version-check window) joins here.
    FormCommands = new TFormCommands;
    FormSumList = new TFormSumList;
    FormVelnds = new TFormVelnds;
    FormTest = new TFormTest;
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
    destroy(FormVelOptions);
    destroy(FormSaveSelect);
    destroy(FormVelAbout);
    destroy(FormVelGeneral);
    destroy(FormVelStart);
}
