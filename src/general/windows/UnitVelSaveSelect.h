#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// Asks whether a list is saved with its replacement texts. Created once, so
// the last choice stays selected for the next save of the run. "ОК" accepts
// the choice; Escape and the close box reject it, and the save stops.
class TFormSaveSelect : public QDialog {
    Q_OBJECT

public:
    explicit TFormSaveSelect(QWidget* parent = nullptr);

    QRadioButton* RadioButtonOnlyID;
    QRadioButton* RadioButtonSaveSelect2;
    QPushButton* ButtonSaveSelectOK;

    void ButtonSaveSelectOKClick();
    bool withReplacements() const;

protected:
    // The focus starts on the choice made, so the arrow keys move from it.
    void showEvent(QShowEvent* event) override;
};

extern TFormSaveSelect* FormSaveSelect;
