#include "settings/OptionSwitches.h"

namespace optionSwitches {

namespace {
bool restore = false;
} // namespace

bool restoreRange()
{
    return restore;
}

void setRestoreRange(bool on)
{
    restore = on;
}

} // namespace optionSwitches
