#pragma once

#include "settings/SettingsFiles.h"

#include <QDialog>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

// The options window: the font of the main window's input fields and the two
// switches. The switches live only in its check boxes, which the start window
// and the range window read directly.
class TFormVelOptions : public QDialog {
    Q_OBJECT
public:
    explicit TFormVelOptions(QWidget* parent = nullptr);

    QFrame* Bevel1 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* FontSample = nullptr;
    QPushButton* ButtonFontChange = nullptr;
    QCheckBox* CheckBoxStartWindow = nullptr;
    QCheckBox* CheckBoxExcelSave = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* ButtonOptionsHelp = nullptr;
    QPushButton* ButtonSaveOptions = nullptr;
    QPushButton* ButtonOptionsClose = nullptr;

    void FormActivate();
    void ButtonFontChangeClick();
    void ButtonSaveOptionsClick();
    void ButtonOptionsCloseClick();
    void ButtonOptionsHelpClick();
    void Image1DblClick();

    // Reads nstrfon.dan and applies it to the sample label (the main window
    // applies the same record to its own fields when it is shown).
    void ReadFontSettings();
    // Reads nstrbol.dan into the two check boxes.
    void ReadSwitches();

    // Applies a font record to the main window's input fields and the sample.
    void ApplyFontRecord(const FontRecord& record);

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    quint32 sampleColor_;   // the sample's colour as the record stores it
};

extern TFormVelOptions* FormVelOptions;
