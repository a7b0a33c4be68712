#pragma once

#include "general/LastFiles.h"

#include <QDialog>

struct FontRecord;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QStatusBar;
class QToolButton;

// The main window: the identifier list, its files, the template and every
// side tool. Shown modally by the start window; closing it ends the program.
class TFormVelGeneral : public QDialog {
    Q_OBJECT

public:
    explicit TFormVelGeneral(QWidget* parent = nullptr);

    QLabel* Label5;
    QComboBox* EditFile;
    QPushButton* ButtonSelectFile;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* LabelStatus;
    QListWidget* ListBoxGeneral;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QFrame* Bevel1;
    QLabel* Label6;
    QLineEdit* EditComment;
    QLabel* Label2;
    QComboBox* ComboBoxField;
    QCheckBox* CheckBoxStatus;
    QLabel* Label1;
    QComboBox* ComboBoxText;
    QPushButton* ButtonClear;
    QPushButton* ButtonInsert;
    QPushButton* ButtonDelete;
    QPushButton* ButtonStart;
    QPushButton* ButtonExit;
    QStatusBar* StatusBarGeneral;

    QMenuBar* MainMenu1;
    QMenu* NFile;
    QAction* NLoad;
    QAction* NSave;
    QAction* NExit;
    QAction* NFileSeparator2;
    QAction* NFileName1;
    QAction* NFileName2;
    QAction* NFileName3;
    QAction* NFileName4;
    QMenu* NEdit;
    QMenu* N8;
    QAction* NclearTextList;
    QAction* NClearFields;
    QAction* NClearComboText;
    QAction* N6;
    QMenu* N11;
    QAction* N12;
    QAction* N13;
    QMenu* N1;
    QAction* NHelp;
    QAction* N7;
    QAction* NEmail;
    QAction* NNewVersionCheck;
    QAction* N2;

    // The list file and template remembered from the previous run.
    const LastFiles& remembered() const { return remembered_; }

    // Panel 0: "Всего полей: " and the record count.
    void ShowCount();
    // Panel 1: progress of a filling run, repainted at once.
    void ShowProgress(const QString& text);
    QString progressText() const;
    QString countText() const;

    // Refills the list box from the store; no line is selected afterwards.
    void RefillList();
    // The common end of every successful read of a list into the store.
    void FinishListRead();
    // The template the start window chose, into EditFile.
    void setTemplateName(const QString& name);
    // Caption of CheckBoxStatus after its state.
    void CheckBoxStatusClick();

    // List handlers.
    void ListBoxGeneralClick();
    void ListBoxGeneralDblClick();
    void ButtonInsertClick();
    void ButtonDeleteClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void NclearTextListClick();
    void NClearFieldsClick();
    // Asks to save a changed list before it is given up: Yes saves, No goes
    // on without, Cancel (Escape) keeps it. True when the caller may go on:
    // nothing is to be saved, the list was saved, or the user said No.
    bool AskToSaveChanges();

    // File handlers.
    void NLoadClick();
    void NSaveClick();
    void NFileName1Click();
    // Loads a named list file as the remembered one is loaded (also a list
    // opened from the file manager).
    void OpenListFile(const QString& name);
    // A list file dropped on the window: opened as the remembered one is.
    void OpenDroppedListFile(const QString& name);
    // A list file a later start of the program hands over (opened from the
    // file manager): the window comes to the front, and the file is opened
    // as a dropped one, once no other window of the program is open over
    // this one and no filling runs.
    void OpenHandedListFile(const QString& name);

    // What other windows hand this one (app/WindowLinks.h): a text for the
    // replacement box, from the amount and VAT windows, which the user
    // commits with «Добавить»; the font record of the options window for
    // the input boxes.
    void offerReplacement(const QString& text);
    void applyFontRecord(const FontRecord& record);

    // Window handlers.
    void FormCreate();
    void FormShow();
    void FormActivate();
    // Whether the window may close: asks to save the list; Cancel keeps it open.
    bool FormCloseQuery();
    void FormClose();
    void ComboBoxFieldKeyUp();
    void ButtonClearClick();
    void ButtonSelectFileClick();
    void ButtonExitClick();
    void ButtonStartClick();
    void NHelpClick();
    void N2Click();
    void N6Click();
    void N7Click();
    void NEmailClick();
    void N12Click();
    void N13Click();
    void NNewVersionCheckClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createMenu();
    void layOut();
    void connectHandlers();
    void setTabOrder();
    bool isMenuShortcut(const QKeyEvent* key) const;
    bool takeListDrop(QEvent* event);
    bool offerToSave(const QString& question);
    void openHandedFileWhenFree();

    void rewriteLine(int i);
    void showRecord(int i);
    int selectedLine() const;
    void selectLine(int i);
    void clearSelection();
    void loadListFrom(const QString& fileName);

    QLabel* countPanel_;
    QLabel* progressPanel_;
    LastFiles remembered_;
    QString lastSaveName_;
    QString handedFile_;
    bool closing_ = false;
    bool filling_ = false;
};

extern TFormVelGeneral* FormVelGeneral;
