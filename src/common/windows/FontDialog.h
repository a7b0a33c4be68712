#pragma once

#include "common/windows/Dialogs.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;

// The font dialog: typeface, style, size, strike-out, underline and colour,
// with a sample. It offers only the sizes it accepts; a size typed outside
// them is refused in an error box and the dialog stays open.
class FontDialog : public QDialog {
    Q_OBJECT
public:
    FontDialog(const FontChoice& initial, int minPoints, int maxPoints, QWidget* parent);

    FontChoice choice() const;

    QListWidget* FontList;
    QListWidget* StyleList;
    QComboBox* SizeBox;
    QCheckBox* StrikeOutBox;
    QCheckBox* UnderlineBox;
    QComboBox* ColorBox;
    QLabel* Sample;

    void accept() override;

private:
    void showSample();
    void select(QListWidget* list, const QString& text);

    int minPoints_;
    int maxPoints_;
};
