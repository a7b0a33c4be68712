#include "general/windows/UnitVelSaveSelect.h"

#include "common/windows/Guard.h"
#include "common/windows/Widgets.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFormSaveSelect* FormSaveSelect = nullptr;

TFormSaveSelect::TFormSaveSelect(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSaveSelect"));
    setWindowTitle(QStringLiteral("Выберите способ сохранения списка"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    RadioButtonOnlyID = new QRadioButton(QStringLiteral("Сохранить только идентификаторы"), this);
    RadioButtonOnlyID->setObjectName(QStringLiteral("RadioButtonOnlyID"));
    RadioButtonSaveSelect2 = new QRadioButton(QStringLiteral("Сохранить идентификаторы и текст замены"), this);
    RadioButtonSaveSelect2->setObjectName(QStringLiteral("RadioButtonSaveSelect2"));
    // The first choice is the one that loses nothing.
    RadioButtonSaveSelect2->setChecked(true);
    ButtonSaveSelectOK = new QPushButton(QStringLiteral("ОК"), this);
    ButtonSaveSelectOK->setObjectName(QStringLiteral("ButtonSaveSelectOK"));
    ButtonSaveSelectOK->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonSaveSelectOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioButtonOnlyID);
    layout->addWidget(RadioButtonSaveSelect2);
    layout->addLayout(buttons);
    // A fixed border, never smaller than the designed client area.
    setFixedSize(widgets::fixedWindowSize(this, QSize(353, 103)));

    auto* self = this;
    KV_CONNECT(ButtonSaveSelectOK, &QPushButton::clicked, self, ButtonSaveSelectOKClick);
}

void TFormSaveSelect::ButtonSaveSelectOKClick()
{
    accept();
}

void TFormSaveSelect::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    (withReplacements() ? RadioButtonSaveSelect2 : RadioButtonOnlyID)->setFocus();
}

bool TFormSaveSelect::withReplacements() const
{
    return RadioButtonSaveSelect2->isChecked();
}
