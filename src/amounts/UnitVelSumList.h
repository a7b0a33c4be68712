#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

// The window the amount picker fills: 's' the amount window, 'n' the VAT
// window; any other value makes a pick only close the picker.
extern char SumListTarget;

// The amount picker: takes an amount from a record's replacement text.
class TFormSumList : public QDialog {
    Q_OBJECT

public:
    explicit TFormSumList(QWidget* parent = nullptr);

    QListWidget* ListBoxSumList;
    QPushButton* ButtonSumListExit;

    // Rebuilds the list from the identifier list; no line is selected.
    void FormActivate();
    // A pick of the current line, by a click or by Enter.
    void ListBoxSumListClick();
    void ButtonSumListExitClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Rebuilds the list once the current event is over (never inside the
    // list's own signal).
    void activateLater();
};

extern TFormSumList* FormSumList;
