#include "filling/FillingRun.h"

#include "filling/FillingHost.h"
#include "filling/UnitVelExcelSelect.h"
#include "general/UnitVelGeneral.h"

#include <QComboBox>

namespace {

// The main window and the range window as the fillers see them.
class MainWindowHost final : public FillingHost {
public:
    explicit MainWindowHost(TFormVelGeneral& form) : form_(form) {}
    QString templateName() override { return form_.EditFile->currentText(); }
    void showProgress(const QString& text) override { form_.ShowProgress(text); }
    void repaintMain() override { form_.repaint(); }
    void showRangeWindow() override { FormExcelSelect->exec(); }

private:
    TFormVelGeneral& form_;
};

} // namespace

void runFilling(TFormVelGeneral& form)
{
    MainWindowHost host(form);
    runFilling(host);
}

