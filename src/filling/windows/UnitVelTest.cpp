#include "filling/windows/UnitVelTest.h"

#include "common/TraceLog.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TFormTest* FormTest = nullptr;

TFormTest::TFormTest(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FormTest"));
    setWindowTitle(QStringLiteral("Отладчик"));

    RadioButtonTest1 = new QRadioButton(QStringLiteral("Режим отладки взаимодействия с LibreOffice Writer"), this);
    RadioButtonTest2 = new QRadioButton(QStringLiteral("Режим отладки суммы прописью"), this);
    ButtonStartTest = new QPushButton(QStringLiteral("Включить"), this);
    ButtonCancelTest = new QPushButton(QStringLiteral("Отменить"), this);
    RadioButtonTest1->setObjectName(QStringLiteral("RadioButtonTest1"));
    RadioButtonTest2->setObjectName(QStringLiteral("RadioButtonTest2"));
    ButtonStartTest->setObjectName(QStringLiteral("ButtonStartTest"));
    ButtonCancelTest->setObjectName(QStringLiteral("ButtonCancelTest"));
    RadioButtonTest1->setChecked(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ButtonStartTest);
    buttons->addWidget(ButtonCancelTest);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioButtonTest1);
    layout->addWidget(RadioButtonTest2);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(392);

    KV_CONNECT(ButtonStartTest, &QPushButton::clicked, this, ButtonStartTestClick);
    KV_CONNECT(ButtonCancelTest, &QPushButton::clicked, this, ButtonCancelTestClick);
}

void TFormTest::ButtonStartTestClick()
{
    if (RadioButtonTest1->isChecked()) {
        setDiagnosticMode(DiagnosticMode::WordTrace);
        showInformation(QStringLiteral("Включен режим отслеживания ошибок взаимодействия с LibreOffice Writer. "
                                       "Данный режим будет автоматически выключен при следующем запуске программы."));
    } else {
        setDiagnosticMode(DiagnosticMode::AmountTrace);
        showInformation(QStringLiteral("Включен режим отслеживания ошибок. "
                                       "Данный режим будет автоматически выключен при следующем запуске программы."));
    }
    accept();
}

void TFormTest::ButtonCancelTestClick()
{
    reject();
}
