// The main window's way to the side tools: settings, help, web page, mail,
// the tool windows, and what they hand back.

#include "general/windows/UnitVelGeneral.h"

#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelnds.h"
#include "common/windows/Help.h"
#include "common/windows/LazyWindows.h"
#include "common/windows/MakerLinks.h"
#include "general/IdentifierList.h"
#include "net/windows/UnitBrowser.h"
#include "settings/OptionSwitches.h"
#include "settings/SettingsFiles.h"
#include "settings/windows/FontSettings.h"
#include "settings/windows/UnitVelAbout.h"
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
    // The stored font of the input boxes (the options window reads it into
    // its sample when shown).
    if (const std::optional<FontRecord> record = settingsFiles::readStoredFont())
        applyFontRecord(*record);
}

void TFormVelGeneral::FormActivate()
{
    // The switches as stored, also before the options window is made.
    if (FormVelOptions)
        FormVelOptions->ReadSwitches();
    else
        optionSwitches::readSwitchFile();
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
    lazyWindows::made(FormVelAbout)->exec();
}

void TFormVelGeneral::N6Click()
{
    lazyWindows::made(FormVelOptions)->exec();
}

void TFormVelGeneral::N12Click()
{
    lazyWindows::made(FormCommands)->exec();
}

void TFormVelGeneral::N13Click()
{
    lazyWindows::made(FormVelnds)->exec();
}

void TFormVelGeneral::NNewVersionCheckClick()
{
    lazyWindows::made(FormVelBrowser)->exec();
}
