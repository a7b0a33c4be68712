#pragma once

#include "common/windows/FormDialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The amount window: a sum in figures becomes Russian words, which the user
// may correct and hand to the main window's replacement box.
class TFormCommands : public FormDialog {
    Q_OBJECT

public:
    explicit TFormCommands(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* EditSumDigit;
    QLabel* Label2;
    QPlainTextEdit* MemoSumString;
    QPushButton* BitBtnSumConvert;
    QPushButton* ButtonSumExit;
    QPushButton* BitBtnInsertFromList;
    QPushButton* BitBtnInsertToList;
    QCheckBox* CheckBoxFirstChar;

    // Each opening from the main window starts from empty fields.
    void FormShow();
    void EditSumDigitKeyUp();
    void MemoSumStringKeyUp();
    void BitBtnSumConvertClick();
    void BitBtnInsertFromListClick();
    void BitBtnInsertToListClick();
    void ButtonSumExitClick();

    // The memo's lines as it shows them, wrapped lines included, joined
    // with nothing between them.
    QString joinedMemoLines() const;

    // An amount the picker picked, when SumListTarget names this window.
    void takePickedAmount(const QString& text);

signals:
    // «Вставить в список»: the words, for the main window's replacement box.
    void replacementOffered(const QString& text);

protected:
    void onShow() override { FormShow(); }

private:
    void createControls();
    void layOut();
    void connectHandlers();
    // The conversion itself; with trace on it writes the window's codes.
    void convert(bool trace);
};

extern TFormCommands* FormCommands;
