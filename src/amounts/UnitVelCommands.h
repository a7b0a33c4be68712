#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// The amount window: a sum in figures becomes Russian words, which the user
// may correct and hand to the main window's replacement box.
class TFormCommands : public QDialog {
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

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void layOut();
    void connectHandlers();
    // The conversion itself; with trace on it writes the window's codes.
    void convert(bool trace);
};

extern TFormCommands* FormCommands;
