#include "filling/windows/UnitVelExcelSelect.h"

#include "common/KvilmarError.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/Widgets.h"
#include "filling/ColumnList.h"
#include "filling/RangeFile.h"
#include "settings/OptionSwitches.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

#include <functional>

TFormExcelSelect* FormExcelSelect = nullptr;

TFormExcelSelect::TFormExcelSelect(QWidget* parent) : FormDialog(parent)
{
    setObjectName(QStringLiteral("FormExcelSelect"));
    setWindowTitle(QStringLiteral("Выбор диапазона"));
    // A fixed frame with a caption and no title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    createControls();
    layOut();
    connectHandlers();
    FormCreate();
}

void TFormExcelSelect::createControls()
{
    using widgets::named;
    Label1 = named(
        new QLabel(QStringLiteral(
                       "Выберите диапазон значений, в котором будет производиться замена текста. Количество страниц "
                       "и ячеек на каждой станице значительно влияют на скорость работы программы"),
                   this),
        "Label1");
    Label1->setWordWrap(true);
    Label2 = named(new QLabel(QStringLiteral("Количество листов в книге"), this), "Label2");
    SpinEditPage = named(new widgets::LimitedSpinBox(1, this), "SpinEditPage");
    SpinEditPage->setRange(1, 10);
    SpinEditPage->setValue(1);
    Label3 = named(new QLabel(QStringLiteral("Просматривать столбцы с "), this), "Label3");
    ComboBox1 = named(widgets::editableComboBox(this), "ComboBox1");
    Label4 = named(new QLabel(QStringLiteral("по"), this), "Label4");
    ComboBox2 = named(widgets::editableComboBox(this), "ComboBox2");
    Label5 = named(new QLabel(QStringLiteral("Просматривать строки с "), this), "Label5");
    SpinEditRow1 = named(new widgets::LimitedSpinBox(4, this), "SpinEditRow1");
    SpinEditRow1->setRange(1, 9999);
    SpinEditRow1->setValue(1);
    Label6 = named(new QLabel(QStringLiteral("по"), this), "Label6");
    SpinEditRow2 = named(new widgets::LimitedSpinBox(4, this), "SpinEditRow2");
    SpinEditRow2->setRange(1, 9999);
    SpinEditRow2->setValue(10);
    ButtonExcelSelectOK = named(new QPushButton(QStringLiteral("Продолжить"), this), "ButtonExcelSelectOK");
    ButtonExcelSelectExit = named(new QPushButton(QStringLiteral("Отменить"), this), "ButtonExcelSelectExit");
    ButtonExcelSelectOK->setDefault(true);
}

void TFormExcelSelect::layOut()
{
    auto* grid = new QGridLayout;
    grid->addWidget(Label2, 0, 0);
    grid->addWidget(SpinEditPage, 0, 1);
    grid->addWidget(Label3, 1, 0);
    grid->addWidget(ComboBox1, 1, 1);
    grid->addWidget(Label4, 1, 2);
    grid->addWidget(ComboBox2, 1, 3);
    grid->addWidget(Label5, 2, 0);
    grid->addWidget(SpinEditRow1, 2, 1);
    grid->addWidget(Label6, 2, 2);
    grid->addWidget(SpinEditRow2, 2, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonExcelSelectOK);
    buttons->addWidget(ButtonExcelSelectExit);
    buttons->addStretch();

    auto* main = new QVBoxLayout(this);
    main->addWidget(Label1);
    main->addLayout(grid);
    main->addStretch();
    main->addLayout(buttons);
    main->setSizeConstraint(QLayout::SetFixedSize);
    Label1->setMinimumWidth(369 - 2 * 11);
}

void TFormExcelSelect::connectHandlers()
{
    KV_CONNECT(ButtonExcelSelectOK, &QPushButton::clicked, this, ButtonExcelSelectOKClick);
    KV_CONNECT(ButtonExcelSelectExit, &QPushButton::clicked, this, ButtonExcelSelectExitClick);
    KV_CONNECT(SpinEditRow1, &QSpinBox::valueChanged, this, SpinEditRow1Change);
    KV_CONNECT(SpinEditRow2, &QSpinBox::valueChanged, this, SpinEditRow2Change);
    KV_CONNECT(ComboBox1, &QComboBox::currentTextChanged, this, ComboBox1Change);
    KV_CONNECT(ComboBox2, &QComboBox::currentTextChanged, this, ComboBox2Change);
}

void TFormExcelSelect::FormCreate()
{
    // One list under both boxes: each box chooses in it on its own, and the
    // 702 names are held once.
    auto* columns = new QStringListModel(columnList(), this);
    ComboBox1->setModel(columns);
    ComboBox2->setModel(columns);
    setColumn(ComboBox1, 0);
    setColumn(ComboBox2, 0);
}

void TFormExcelSelect::setDefaults()
{
    SpinEditPage->setValue(1);
    setColumn(ComboBox1, 0);
    setColumn(ComboBox2, 0);
    SpinEditRow1->setValue(1);
    SpinEditRow2->setValue(10);
}

void TFormExcelSelect::setColumn(QComboBox* box, int index)
{
    // An index outside the list (a typed column) shows an empty box.
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
    if (box->currentIndex() < 0)
        box->setEditText(QString());
}

int TFormExcelSelect::columnIndex(const QComboBox* box)
{
    return box->findText(box->currentText(), Qt::MatchFixedString);
}

void TFormExcelSelect::FormActivate()
{
    confirmed_.reset();
    if (!optionSwitches::restoreRange()) {
        setDefaults();
        return;
    }
    // Records read before a failure stay set; the error is then shown.
    const RangeFileRead read = readRangeFile(rangeFilePath());
    const QList<std::function<void(qint32)>> setters{
        [this](qint32 v) { SpinEditPage->setValue(v); }, [this](qint32 v) { setColumn(ComboBox1, v); },
        [this](qint32 v) { setColumn(ComboBox2, v); },   [this](qint32 v) { SpinEditRow1->setValue(v); },
        [this](qint32 v) { SpinEditRow2->setValue(v); },
    };
    for (int i = 0; i < read.records.size(); ++i)
        setters[i](read.records[i]);
    if (!read.error.isEmpty())
        throw KvilmarError(read.error);
}

void TFormExcelSelect::ButtonExcelSelectOKClick()
{
    confirmed_ = RangeSelection{SpinEditPage->value(),
                                ComboBox1->currentText() + QString::number(SpinEditRow1->value()) + QLatin1Char(':')
                                    + ComboBox2->currentText() + QString::number(SpinEditRow2->value())};
    // An unwritable settings file is reported but does not stop the filling.
    guarded([this] {
        writeRangeFile(rangeFilePath(),
                       RangeRecords{SpinEditPage->value(), columnIndex(ComboBox1), columnIndex(ComboBox2),
                                    SpinEditRow1->value(), SpinEditRow2->value()});
    });
    accept();
}

void TFormExcelSelect::ButtonExcelSelectExitClick()
{
    reject();
}

void TFormExcelSelect::SpinEditRow1Change()
{
    if (SpinEditRow2->value() < SpinEditRow1->value())
        SpinEditRow2->setValue(SpinEditRow1->value());
}

void TFormExcelSelect::SpinEditRow2Change()
{
    if (SpinEditRow2->value() < SpinEditRow1->value())
        SpinEditRow1->setValue(SpinEditRow2->value());
}

// A typed column that is not in the list has no place in the order, so it
// neither moves the other box nor is moved by it (it would empty the other).
void TFormExcelSelect::ComboBox1Change()
{
    if (columnIndex(ComboBox2) >= 0 && columnIndex(ComboBox2) < columnIndex(ComboBox1))
        setColumn(ComboBox2, columnIndex(ComboBox1));
}

void TFormExcelSelect::ComboBox2Change()
{
    if (columnIndex(ComboBox2) >= 0 && columnIndex(ComboBox2) < columnIndex(ComboBox1))
        setColumn(ComboBox1, columnIndex(ComboBox2));
}
