#pragma once

#include "common/windows/Widgets.h"
#include "filling/FillJob.h"

#include "common/windows/FormDialog.h"
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

// The range window: how many sheets and which block of cells the spreadsheet
// filler searches. Shown modally once per spreadsheet run.
class TFormExcelSelect : public FormDialog {
    Q_OBJECT
public:
    explicit TFormExcelSelect(QWidget* parent = nullptr);

    QLabel* Label1;
    QLabel* Label2;
    widgets::LimitedSpinBox* SpinEditPage;
    QLabel* Label3;
    QComboBox* ComboBox1;
    QLabel* Label4;
    QComboBox* ComboBox2;
    QLabel* Label5;
    widgets::LimitedSpinBox* SpinEditRow1;
    QLabel* Label6;
    widgets::LimitedSpinBox* SpinEditRow2;
    QPushButton* ButtonExcelSelectOK;
    QPushButton* ButtonExcelSelectExit;

    void FormCreate();
    void FormActivate();
    void ButtonExcelSelectOKClick();
    void ButtonExcelSelectExitClick();
    void SpinEditRow1Change();
    void SpinEditRow2Change();
    void ComboBox1Change();
    void ComboBox2Change();

    // The entry index of a column box's text; -1 when it matches no entry.
    static int columnIndex(const QComboBox* box);

    // The range confirmed with "OK" at the last showing; none when the
    // window was closed otherwise.
    std::optional<RangeSelection> confirmedRange() const { return confirmed_; }

protected:
    void onShow() override { FormActivate(); }

private:
    void createControls();
    void layOut();
    void connectHandlers();
    void setDefaults();
    void setColumn(QComboBox* box, int index);

    std::optional<RangeSelection> confirmed_;
};

extern TFormExcelSelect* FormExcelSelect;
