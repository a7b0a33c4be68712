#pragma once

#include "common/windows/FormDialog.h"
#include <QByteArray>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The VAT window: the tax on top of a price or contained in a sum, at a rate
// of 1 to 99 per cent, handed to the main window's replacement box.
class TFormVelnds : public FormDialog {
    Q_OBJECT

public:
    explicit TFormVelnds(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* EditNDSSum;
    QPushButton* BitBtnNDSfromPrice;
    QPushButton* ButtonSumExit;
    QPushButton* BitBtnNDSInsertFromList;
    QPushButton* BitBtnNDSToList;
    QLabel* Label2;
    QLineEdit* EditNDS;
    QPushButton* BitBtnNDSfromSum;
    QLabel* Label3;
    QSpinBox* SpinEditNDS;

    // Each opening starts with empty amount and tax fields and the last rate.
    void FormShow();
    void EditNDSSumKeyUp();
    void EditNDSKeyUp();
    void BitBtnNDSfromPriceClick();
    void BitBtnNDSfromSumClick();
    void BitBtnNDSInsertFromListClick();
    void BitBtnNDSToListClick();
    void ButtonSumExitClick();

    // The rate as a calculation reads it.
    int rate() const;

    // An amount the picker picked, when SumListTarget names this window.
    void takePickedAmount(const QString& text);

signals:
    // «Вставить в список»: the tax, for the main window's replacement box.
    void replacementOffered(const QString& text);

protected:
    void onShow() override { FormShow(); }

private:
    void createControls();
    void layOut();
    void connectHandlers();
    // Shows a computed tax, or the invalid-number message.
    void showTax(const std::optional<QByteArray>& tax);
};

extern TFormVelnds* FormVelnds;
