#pragma once

#include "settings/SettingsFiles.h"

#include "common/windows/FormDialog.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

// The options window: the font of the main window's input fields and the two
// switches. The switches are optionSwitches, which its check boxes show and
// set; the start window and the range window read them there.
class TFormVelOptions : public FormDialog {
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
    // Reads nstrbol.dan into the switches and the two check boxes.
    void ReadSwitches();
    // The check boxes as the switches stand.
    void ShowSwitches();

    // Applies a font record to the sample, and hands it to the main window's
    // input fields (fontApplied).
    void ApplyFontRecord(const FontRecord& record);

signals:
    void fontApplied(const FontRecord& record);

protected:
    void onShow() override { FormActivate(); }
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    quint32 sampleColor_; // the sample's colour as the record stores it
};

extern TFormVelOptions* FormVelOptions;
