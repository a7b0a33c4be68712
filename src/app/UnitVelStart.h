#pragma once

#include "app/StartSwitches.h"
#include "general/LastFiles.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

// The start window: offered by the command line or the stored option
// (app/ProgramStart.h), it names the identifier file, the replacement list
// file and the template, loads the list and hands over to the main window.
// Closing it ends the program.
class TFormVelStart : public QDialog {
    Q_OBJECT
public:
    explicit TFormVelStart(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QComboBox* ComboBoxEditStartIDfile = nullptr;
    QPushButton* ButtonStartIDfileSearch = nullptr;
    QCheckBox* CheckBoxStartFile = nullptr;
    QLabel* Label2 = nullptr;
    QComboBox* ComboBoxStartTxtfile = nullptr;
    QPushButton* ButtonStartTxtfileSearch = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* ComboBoxDotName = nullptr;
    QPushButton* ButtonStartDotFileSearch = nullptr;
    QPushButton* ButtonStartConsole = nullptr;
    QPushButton* ButtonStartApl = nullptr;
    QPushButton* BitBtnStartCancel = nullptr;

    // Offers the files remembered from the previous run in the drop-downs.
    void AddRememberedFiles(const LastFiles& files);

    void FormCreate();
    void ButtonStartAplClick();
    void ButtonStartConsoleClick();
    // Enables «Запуск в автоматическом режиме» when the files it needs are named.
    void UpdateConsoleButton();
    void BitBtnStartCancelClick();
    void CheckBoxStartFileClick();
    void ButtonStartIDfileSearchClick();
    void ButtonStartTxtfileSearchClick();
    void ButtonStartDotFileSearchClick();
    void GoToMainWindow();

    // Gives the window its working size: it becomes visible.
    void ShowWorkingSize();
    // Closes the window, which ends the program; finished() tells main.
    void CloseStartWindow();
    bool ended() const { return ended_; }

    startup::StartFields fields() const;
    void setFields(const startup::StartFields& fields);

public slots:
    // Escape and the window manager's close both mean "Прервать".
    void reject() override;

private:
    // False when a file could not be read: the start window stays open.
    bool LoadStartFiles(const QString& listName);

    bool ended_ = false;
};

extern TFormVelStart* FormVelStart;
