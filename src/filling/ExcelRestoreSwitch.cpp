#include "filling/ExcelRestoreSwitch.h"

#include "settings/UnitVelOptions.h"

#include <QCheckBox>

bool restoreExcelRange()
{
    return FormVelOptions && FormVelOptions->CheckBoxExcelSave && FormVelOptions->CheckBoxExcelSave->isChecked();
}
