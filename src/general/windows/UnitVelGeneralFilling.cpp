// «Старт»: the main window and the range window as the filling run's host.

#include "general/windows/UnitVelGeneral.h"

#include "common/windows/LazyWindows.h"
#include "filling/FillingHost.h"
#include "filling/windows/FillingRun.h"
#include "filling/windows/UnitVelExcelSelect.h"
#include "general/IdentifierList.h"

#include <QApplication>
#include <QComboBox>
#include <QScopeGuard>

namespace {

// The main window and the range window as the fillers see them.
class MainWindowHost final : public FillingHost {
public:
    explicit MainWindowHost(TFormVelGeneral& form) : form_(form) {}
    void showProgress(const QString& text) override { form_.ShowProgress(text); }
    void repaintMain() override { form_.repaint(); }

    std::optional<RangeSelection> chooseRange(const RangeSelection&) override
    {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
        TFormExcelSelect* range = lazyWindows::made(FormExcelSelect);
        range->exec();
        QApplication::restoreOverrideCursor();
        return range->confirmedRange();
    }

    void showBusy(bool busy) override
    {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

    void showWaiting(const QString& text) override
    {
        if (!text.isEmpty()) {
            if (!waiting_)
                shownBefore_ = form_.progressText();
            waiting_ = true;
            form_.ShowProgress(text);
        } else if (waiting_) {
            waiting_ = false;
            form_.ShowProgress(shownBefore_);
        }
    }

private:
    TFormVelGeneral& form_;
    bool waiting_ = false;
    QString shownBefore_;
};

} // namespace

void TFormVelGeneral::ButtonStartClick()
{
    // A list handed over meanwhile waits for the filling's end.
    filling_ = true;
    const auto done = qScopeGuard([this] {
        filling_ = false;
        openHandedFileWhenFree();
    });
    // The job is what the window holds now: the template box and the list.
    MainWindowHost host(*this);
    runFilling(host, startJob(EditFile->currentText(), identifierList().records()));
}
