#pragma once

#include "common/windows/FormDialog.h"

class QListWidget;
class QPushButton;

// The window the amount picker fills: 's' the amount window, 'n' the VAT
// window; any other value makes a pick only close the picker.
extern char SumListTarget;

// The amount picker: takes an amount from a record's replacement text.
class TFormSumList : public FormDialog {
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

signals:
    // A replacement text picked, for the window SumListTarget names.
    void amountPicked(const QString& text);

protected:
    void onShow() override { FormActivate(); }
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Rebuilds the list once the current event is over (never inside the
    // list's own signal).
    void activateLater();
};

extern TFormSumList* FormSumList;
