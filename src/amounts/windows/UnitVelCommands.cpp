#include "amounts/windows/UnitVelCommands.h"

#include "common/windows/LazyWindows.h"
#include "common/windows/Widgets.h"

#include "amounts/AmountInWords.h"
#include "amounts/windows/UnitVelSumList.h"
#include "common/Codec1251.h"
#include "common/TraceLog.h"
#include "common/windows/Dialogs.h"
#include "common/windows/Guard.h"
#include "general/IdentifierList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>

TFormCommands* FormCommands = nullptr;

namespace {

using widgets::named;

const QString kInvalidNumber = QStringLiteral("Недопустимый формат числа!");
const QString kOverLimit = QStringLiteral("Сумма не должна превышать 999 999 999 999,00");
const QString kEmptyList = QStringLiteral("Список идентификаторов пуст!");

} // namespace

TFormCommands::TFormCommands(QWidget* parent) : FormDialog(parent)
{
    setEnterPressesFocusedButton();
    setObjectName(QStringLiteral("FormCommands"));
    setWindowTitle(QStringLiteral("Преобразование суммы в прописной вид"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    createControls();
    layOut();
    connectHandlers();
}

void TFormCommands::createControls()
{
    Label1 = named(new QLabel(QStringLiteral("Сумма в цифровом виде"), this), "Label1");
    EditSumDigit = named(new QLineEdit(this), "EditSumDigit");
    EditSumDigit->setFixedWidth(169);
    Label1->setBuddy(EditSumDigit);
    Label2 = named(new QLabel(QStringLiteral("Сумма прописью"), this), "Label2");
    MemoSumString = named(new QPlainTextEdit(this), "MemoSumString");
    MemoSumString->setFixedSize(385, 91);
    MemoSumString->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    MemoSumString->setTabChangesFocus(true);
    Label2->setBuddy(MemoSumString);

    BitBtnSumConvert =
        named(new QPushButton(widgets::standardIcon(QStyle::SP_ArrowDown), QStringLiteral("Преобразовать"), this),
              "BitBtnSumConvert");
    ButtonSumExit = named(new QPushButton(QStringLiteral("Отмена"), this), "ButtonSumExit");
    BitBtnInsertFromList = named(new QPushButton(widgets::standardIcon(QStyle::SP_FileDialogListView),
                                                 QStringLiteral("Вставить из списка"), this),
                                 "BitBtnInsertFromList");
    BitBtnInsertToList = named(
        new QPushButton(widgets::standardIcon(QStyle::SP_DialogApplyButton), QStringLiteral("Вставить в список"), this),
        "BitBtnInsertToList");
    CheckBoxFirstChar = named(new QCheckBox(QStringLiteral("Начало с заглавной буквы"), this), "CheckBoxFirstChar");
    CheckBoxFirstChar->setChecked(true);
    for (QPushButton* button : {BitBtnSumConvert, ButtonSumExit, BitBtnInsertFromList, BitBtnInsertToList})
        button->setAutoDefault(false);
    BitBtnSumConvert->setEnabled(false);
    BitBtnInsertToList->setEnabled(false);

    setTabOrder(EditSumDigit, MemoSumString);
    setTabOrder(MemoSumString, BitBtnSumConvert);
    setTabOrder(BitBtnSumConvert, ButtonSumExit);
    setTabOrder(ButtonSumExit, BitBtnInsertFromList);
    setTabOrder(BitBtnInsertFromList, BitBtnInsertToList);
    setTabOrder(BitBtnInsertToList, CheckBoxFirstChar);
}

void TFormCommands::layOut()
{
    auto* amountRow = new QGridLayout;
    amountRow->addWidget(Label1, 0, 0);
    amountRow->addWidget(EditSumDigit, 1, 0);
    amountRow->addWidget(BitBtnInsertFromList, 1, 2);
    amountRow->addWidget(BitBtnSumConvert, 2, 0);
    amountRow->addWidget(CheckBoxFirstChar, 2, 1, 1, 2);
    amountRow->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtnInsertToList);
    buttons->addWidget(ButtonSumExit);
    buttons->addStretch();

    auto* words = new QVBoxLayout;
    words->addWidget(Label2);
    words->addWidget(MemoSumString);
    words->addLayout(buttons);

    auto* main = new QVBoxLayout(this);
    main->addLayout(amountRow);
    main->addSpacing(8);
    main->addLayout(words);
    main->addStretch();
    // A dialog frame: the size does not change, and is never smaller than
    // the client area the window was designed with.
    setFixedSize(widgets::fixedWindowSize(this, QSize(548, 265)));
}

void TFormCommands::connectHandlers()
{
    onKeyUp(EditSumDigit, [this] { EditSumDigitKeyUp(); });
    onKeyUp(MemoSumString, [this] { MemoSumStringKeyUp(); });
    TFormCommands* self = this;
    KV_CONNECT(BitBtnSumConvert, &QPushButton::clicked, self, BitBtnSumConvertClick);
    KV_CONNECT(ButtonSumExit, &QPushButton::clicked, self, ButtonSumExitClick);
    KV_CONNECT(BitBtnInsertFromList, &QPushButton::clicked, self, BitBtnInsertFromListClick);
    KV_CONNECT(BitBtnInsertToList, &QPushButton::clicked, self, BitBtnInsertToListClick);
}

void TFormCommands::FormShow()
{
    BitBtnSumConvert->setEnabled(false);
    BitBtnInsertToList->setEnabled(false);
    EditSumDigit->clear();
    MemoSumString->clear();
    EditSumDigit->setFocus();
}

void TFormCommands::EditSumDigitKeyUp()
{
    BitBtnSumConvert->setEnabled(!EditSumDigit->text().isEmpty());
}

void TFormCommands::MemoSumStringKeyUp()
{
    const QTextBlock first = MemoSumString->document()->firstBlock();
    BitBtnInsertToList->setEnabled(first.isValid() && !first.text().isEmpty());
}

void TFormCommands::BitBtnSumConvertClick()
{
    if (diagnosticMode() != DiagnosticMode::AmountTrace) {
        convert(false);
        return;
    }
    // The log is created afresh; "699" closes it whatever the outcome.
    const TraceScope scope("699");
    traceLog::write("600");
    convert(true);
}

void TFormCommands::convert(bool trace)
{
    const auto progress = [trace](const char* code) {
        if (trace)
            traceLog::write(code);
    };
    const QByteArray typed = cp1251::fromUnicode(EditSumDigit->text());
    const QByteArray canonical = NormalizeSumDigit(typed, trace);
    progress("601");
    if (!IsAmountNumber(typed, canonical)) {
        progress("615error");
        showError(kInvalidNumber);
        progress("616error");
        return;
    }
    progress("602");
    progress("603");
    if (canonical.size() >= kSumLengthLimit) {
        progress("614");
        showError(kOverLimit);
        progress("615");
        return;
    }
    progress("604");
    QByteArray words = SumToString(canonical, trace);
    progress("605");
    if (CheckBoxFirstChar->isChecked()) {
        progress("606");
        const QByteArray capitalized = CapitalizeFirst(words);
        progress("607");
        words = capitalized;
        progress("608");
    }
    progress("609");
    MemoSumString->clear();
    progress("610");
    MemoSumString->setPlainText(cp1251::toUnicode(words));
    progress("611");
    if (!MemoSumString->document()->firstBlock().text().isEmpty()) {
        progress("612");
        BitBtnInsertToList->setEnabled(true);
        progress("613");
    }
}

void TFormCommands::BitBtnInsertFromListClick()
{
    if (identifierList().count() == 0) {
        showInformation(kEmptyList);
        return;
    }
    SumListTarget = 's';
    lazyWindows::made(FormSumList)->exec();
}

QString TFormCommands::joinedMemoLines() const
{
    // A wrapped line ends where the memo broke it, so the pieces of every
    // paragraph put together give the paragraph back.
    QString joined;
    for (QTextBlock block = MemoSumString->document()->firstBlock(); block.isValid(); block = block.next())
        joined += block.text();
    return joined;
}

void TFormCommands::BitBtnInsertToListClick()
{
    if (MemoSumString->document()->isEmpty())
        return;
    emit replacementOffered(joinedMemoLines());
    close();
}

void TFormCommands::takePickedAmount(const QString& text)
{
    if (SumListTarget != 's')
        return;
    EditSumDigit->setText(text);
    BitBtnSumConvert->setEnabled(true);
}

void TFormCommands::ButtonSumExitClick()
{
    close();
}
