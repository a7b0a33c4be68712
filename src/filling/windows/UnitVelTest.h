#pragma once

#include <QDialog>

class QPushButton;
class QRadioButton;

// The debugger window: switches the diagnostic mode on for the rest of the run.
class TFormTest : public QDialog {
    Q_OBJECT
public:
    explicit TFormTest(QWidget* parent = nullptr);

    QRadioButton* RadioButtonTest1 = nullptr;
    QRadioButton* RadioButtonTest2 = nullptr;
    QPushButton* ButtonStartTest = nullptr;
    QPushButton* ButtonCancelTest = nullptr;

    void ButtonStartTestClick();
    void ButtonCancelTestClick();
};

extern TFormTest* FormTest;
