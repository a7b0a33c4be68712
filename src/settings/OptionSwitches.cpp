#include "settings/OptionSwitches.h"

#include "settings/SettingsFiles.h"

#include <QFile>

namespace optionSwitches {

namespace {
bool startWindow = false;
bool restore = false;
} // namespace

bool offerStartWindow()
{
    return startWindow;
}

void setOfferStartWindow(bool on)
{
    startWindow = on;
}

bool restoreRange()
{
    return restore;
}

void setRestoreRange(bool on)
{
    restore = on;
}

void readSwitchFile()
{
    const QString fileName = settingsFiles::switchFileName();
    if (!QFile::exists(fileName))
        return;
    const Switches switches = settingsFiles::readSwitches(fileName);
    if (switches.startWindow)
        startWindow = *switches.startWindow;
    if (switches.excelSave)
        restore = *switches.excelSave;
}

} // namespace optionSwitches
