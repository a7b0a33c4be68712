// The main window's way to the side tools: settings, help, web page, mail,
// the tool windows, and what they hand back.

#include "general/windows/UnitVelGeneral.h"

#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelnds.h"
#include "common/windows/Help.h"
#include "common/windows/MakerLinks.h"
#include "general/IdentifierList.h"
#include "net/windows/UnitBrowser.h"
#include "settings/windows/UnitVelAbout.h"
#include "settings/windows/FontSettings.h"
#include "settings/windows/UnitVelOptions.h"

#include <QComboBox>
#include <QLineEdit>

void TFormVelGeneral::offerReplacement(const QString& text)
{
    ComboBoxText->clearEditText();
    ComboBoxText->setEditText(text);
}

void TFormVelGeneral::applyFontRecord(const FontRecord& record)
{
    fontSettings::applyFontAndColor(ComboBoxText, record);
    fontSettings::applyFontAndColor(ComboBoxField, record);
    fontSettings::applyFont(EditComment, record);
    fontSettings::applyFont(EditFile, record);
}

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
