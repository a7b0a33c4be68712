// The main window's way to the side tools: settings, help, web page, mail,
// the tool windows and the filling run.

#include "general/UnitVelGeneral.h"

#include "amounts/UnitVelCommands.h"
#include "amounts/UnitVelnds.h"
#include "common/Help.h"
#include "filling/FillingRun.h"
#include "general/IdentifierList.h"
#include "net/UnitBrowser.h"
#include "settings/UnitVelAbout.h"
#include "settings/UnitVelOptions.h"

#include <QComboBox>
#include <QScopeGuard>

void TFormVelGeneral::FormShow()
{
    // Applies the stored fonts to the input boxes (and the options' sample).
    if (FormVelOptions)
        FormVelOptions->ReadFontSettings();
}

void TFormVelGeneral::FormActivate()
{
    if (FormVelOptions)
        FormVelOptions->ReadSwitches();
}

void TFormVelGeneral::ButtonStartClick()
{
    // A list handed over meanwhile waits for the filling's end.
    filling_ = true;
    const auto done = qScopeGuard([this] {
        filling_ = false;
        openHandedFileWhenFree();
    });
    // The job is what the window holds now: the template box and the list.
    runFilling(*this, startJob(EditFile->currentText(), identifierList().records()));
}

void TFormVelGeneral::NHelpClick()
{
    showHelpTopic(QStringLiteral("001"));
}

void TFormVelGeneral::N7Click()
{
    openHomePage();
}

void TFormVelGeneral::NEmailClick()
{
    openMailToAuthors();
}

void TFormVelGeneral::N2Click()
{
    FormVelAbout->exec();
}

void TFormVelGeneral::N6Click()
{
    FormVelOptions->exec();
}

void TFormVelGeneral::N12Click()
{
    FormCommands->exec();
}

void TFormVelGeneral::N13Click()
{
    FormVelnds->exec();
}

void TFormVelGeneral::NNewVersionCheckClick()
{
    FormVelBrowser->exec();
}
