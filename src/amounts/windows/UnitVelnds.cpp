#include "amounts/windows/UnitVelnds.h"

#include "amounts/Vat.h"
#include "amounts/windows/UnitVelSumList.h"
#include "common/Codec1251.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "common/windows/LazyWindows.h"
#include "common/windows/Widgets.h"
#include "general/IdentifierList.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

TFormVelnds* FormVelnds = nullptr;

namespace {

using widgets::named;

// The rate box: on leaving, text that is no whole number becomes the lowest
// rate and a number outside the bounds the nearest bound.
class RateSpinBox : public widgets::LimitedSpinBox {
public:
    explicit RateSpinBox(QWidget* parent) : LimitedSpinBox(2, parent) {}
    void fixup(QString& input) const override { input = QString::number(VatRateFrom(input)); }
};

} // namespace

TFormVelnds::TFormVelnds(QWidget* parent) : FormDialog(parent)
{
    setEnterPressesFocusedButton();
    setObjectName(QStringLiteral("FormVelnds"));
    setWindowTitle(QStringLiteral("Расчет НДС"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    createControls();
    layOut();
    connectHandlers();
}

void TFormVelnds::createControls()
{
    Label1 = named(new QLabel(QStringLiteral("Сумма или стоимость"), this), "Label1");
    EditNDSSum = named(new QLineEdit(this), "EditNDSSum");
    EditNDSSum->setFixedWidth(165);
    widgets::limitTyping(EditNDSSum, 16);
    Label1->setBuddy(EditNDSSum);
    BitBtnNDSfromPrice =
        named(new QPushButton(widgets::standardIcon(QStyle::SP_ArrowRight), QStringLiteral("НДС от СТОИМОСТИ"), this),
              "BitBtnNDSfromPrice");
    ButtonSumExit = named(new QPushButton(QStringLiteral("Отмена"), this), "ButtonSumExit");
    BitBtnNDSInsertFromList = named(new QPushButton(widgets::standardIcon(QStyle::SP_FileDialogListView),
                                                    QStringLiteral("Вставить из списка"), this),
                                    "BitBtnNDSInsertFromList");
    BitBtnNDSToList = named(
        new QPushButton(widgets::standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Вставить в список"), this),
        "BitBtnNDSToList");
    Label2 = named(new QLabel(QStringLiteral("НДС"), this), "Label2");
    EditNDS = named(new QLineEdit(this), "EditNDS");
    EditNDS->setFixedWidth(165);
    Label2->setBuddy(EditNDS);
    BitBtnNDSfromSum =
        named(new QPushButton(widgets::standardIcon(QStyle::SP_ArrowRight), QStringLiteral("НДС от СУММЫ"), this),
              "BitBtnNDSfromSum");
    Label3 = named(new QLabel(QStringLiteral("Величина НДС, %"), this), "Label3");
    SpinEditNDS = named(new RateSpinBox(this), "SpinEditNDS");
    SpinEditNDS->setRange(kVatRateMin, kVatRateMax);
    SpinEditNDS->setSingleStep(1);
    SpinEditNDS->setValue(kVatRateDefault);
    SpinEditNDS->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    Label3->setBuddy(SpinEditNDS);

    for (QPushButton* button :
         {BitBtnNDSfromPrice, ButtonSumExit, BitBtnNDSInsertFromList, BitBtnNDSToList, BitBtnNDSfromSum})
        button->setAutoDefault(false);
    BitBtnNDSfromPrice->setEnabled(false);
    BitBtnNDSfromSum->setEnabled(false);
    BitBtnNDSToList->setEnabled(false);

    setTabOrder(EditNDSSum, BitBtnNDSfromPrice);
    setTabOrder(BitBtnNDSfromPrice, ButtonSumExit);
    setTabOrder(ButtonSumExit, BitBtnNDSInsertFromList);
    setTabOrder(BitBtnNDSInsertFromList, BitBtnNDSToList);
    setTabOrder(BitBtnNDSToList, EditNDS);
    setTabOrder(EditNDS, BitBtnNDSfromSum);
    setTabOrder(BitBtnNDSfromSum, SpinEditNDS);
}

void TFormVelnds::layOut()
{
    auto* grid = new QGridLayout;
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(EditNDSSum, 1, 0);
    grid->addWidget(BitBtnNDSInsertFromList, 1, 2);
    auto* rateRow = new QHBoxLayout;
    rateRow->addWidget(Label3);
    rateRow->addWidget(SpinEditNDS);
    rateRow->addStretch();
    grid->addLayout(rateRow, 2, 0, 1, 3);
    grid->addWidget(BitBtnNDSfromPrice, 3, 0);
    grid->addWidget(BitBtnNDSfromSum, 4, 0);
    grid->addWidget(Label2, 5, 0);
    grid->addWidget(EditNDS, 6, 0);
    grid->addWidget(BitBtnNDSToList, 7, 0);
    grid->addWidget(ButtonSumExit, 7, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    grid->setColumnMinimumWidth(1, 40);

    auto* main = new QVBoxLayout(this);
    main->addLayout(grid);
    main->addStretch();
    // A dialog frame: the size does not change, and is never smaller than
    // the client area the window was designed with.
    setFixedSize(widgets::fixedWindowSize(this, QSize(471, 228)));
}

void TFormVelnds::connectHandlers()
{
    onKeyUp(EditNDSSum, [this] { EditNDSSumKeyUp(); });
    onKeyUp(EditNDS, [this] { EditNDSKeyUp(); });
    TFormVelnds* self = this;
    KV_CONNECT(BitBtnNDSfromPrice, &QPushButton::clicked, self, BitBtnNDSfromPriceClick);
    KV_CONNECT(BitBtnNDSfromSum, &QPushButton::clicked, self, BitBtnNDSfromSumClick);
    KV_CONNECT(ButtonSumExit, &QPushButton::clicked, self, ButtonSumExitClick);
    KV_CONNECT(BitBtnNDSInsertFromList, &QPushButton::clicked, self, BitBtnNDSInsertFromListClick);
    KV_CONNECT(BitBtnNDSToList, &QPushButton::clicked, self, BitBtnNDSToListClick);
}

void TFormVelnds::FormShow()
{
    BitBtnNDSfromPrice->setEnabled(false);
    BitBtnNDSfromSum->setEnabled(false);
    BitBtnNDSToList->setEnabled(false);
    EditNDSSum->clear();
    EditNDS->clear();
    EditNDSSum->setFocus();
}

void TFormVelnds::EditNDSSumKeyUp()
{
    const bool hasText = !EditNDSSum->text().isEmpty();
    BitBtnNDSfromPrice->setEnabled(hasText);
    BitBtnNDSfromSum->setEnabled(hasText);
}

void TFormVelnds::EditNDSKeyUp()
{
    BitBtnNDSToList->setEnabled(!EditNDS->text().isEmpty());
}

int TFormVelnds::rate() const
{
    return VatRateFrom(SpinEditNDS->cleanText());
}

void TFormVelnds::showTax(const std::optional<QByteArray>& tax)
{
    if (!tax) {
        showError(QStringLiteral("Недопустимый формат числа!"));
        return;
    }
    EditNDS->setText(cp1251::toUnicode(*tax));
    if (!EditNDS->text().isEmpty())
        BitBtnNDSToList->setEnabled(true);
}

void TFormVelnds::BitBtnNDSfromPriceClick()
{
    showTax(VatFromPrice(cp1251::fromUnicode(EditNDSSum->text()), rate()));
}

void TFormVelnds::BitBtnNDSfromSumClick()
{
    showTax(VatFromSum(cp1251::fromUnicode(EditNDSSum->text()), rate()));
}

void TFormVelnds::BitBtnNDSInsertFromListClick()
{
    if (identifierList().count() == 0) {
        showInformation(QStringLiteral("Список идентификаторов пуст!"));
        return;
    }
    SumListTarget = 'n';
    lazyWindows::made(FormSumList)->exec();
}

void TFormVelnds::BitBtnNDSToListClick()
{
    emit replacementOffered(EditNDS->text());
    close();
}

void TFormVelnds::takePickedAmount(const QString& text)
{
    if (SumListTarget != 'n')
        return;
    EditNDSSum->setText(text);
    BitBtnNDSfromPrice->setEnabled(true);
    BitBtnNDSfromSum->setEnabled(true);
}

void TFormVelnds::ButtonSumExitClick()
{
    close();
}
