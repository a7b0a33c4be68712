// The main window's way to the side tools: help, web page, mail, the tool
// windows and the filling run.

#include "general/UnitVelGeneral.h"

#include "common/ProgramInfo.h"

#include <QDesktopServices>
#include <QUrl>

void TFormVelGeneral::FormShow()
{
}

void TFormVelGeneral::FormActivate()
{
}

void TFormVelGeneral::ButtonStartClick()
{
}

void TFormVelGeneral::NHelpClick()
{
}

void TFormVelGeneral::N7Click()
{
    QDesktopServices::openUrl(QUrl(programInfo::homePageUrl()));
}

void TFormVelGeneral::NEmailClick()
{
    QDesktopServices::openUrl(QUrl(QStringLiteral("mailto:") + programInfo::makerMail()));
}

void TFormVelGeneral::N2Click()
{
}

void TFormVelGeneral::N6Click()
{
}

void TFormVelGeneral::N12Click()
{
}

void TFormVelGeneral::N13Click()
{
}

void TFormVelGeneral::NNewVersionCheckClick()
{
}
