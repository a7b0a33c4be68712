#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about window: name, version and date of the program, the maker's
// notice and two clickable labels for the web page and a mail to the authors.
class TFormVelAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormVelAbout(QWidget* parent = nullptr);

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* LabAppName = nullptr;
    QLabel* LabVersion = nullptr;
    QLabel* LabelApplDate = nullptr;
    QLabel* LabelBrennic = nullptr;
    QLabel* LabelYears = nullptr;
    QLabel* LabelEmail = nullptr;
    QPushButton* OKButton = nullptr;

    void FormCreate();
    void LabelEmailMouseMove();
    void LabelBrennicMouseMove();
    void Panel1MouseMove();
    void LabelEmailClick();
    void LabelBrennicClick();
    void OKButtonClick();

    // True while the pointing-hand cursor is set for the whole application.
    bool handCursor() const { return handCursor_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void setHandCursor(bool on);

    bool handCursor_ = false;
};

extern TFormVelAbout* FormVelAbout;
