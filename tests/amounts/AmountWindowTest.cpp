#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelSumList.h"
#include "common/Codec1251.h"
#include "common/TraceLog.h"
#include "general/IdentifierList.h"
#include "general/windows/UnitVelGeneral.h"
#include "support/TestMain.h"
#include "support/UserInput.h"
#include "support/WindowTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextLayout>

namespace {

const QString kInvalid = QStringLiteral("Недопустимый формат числа!");
const QString kOverLimit = QStringLiteral("Сумма не должна превышать 999 999 999 999,00");

QStringList split(const char* codes)
{
    return QString::fromLatin1(codes).split(QLatin1Char(' '));
}

// The trace log as a list of its lines; every line must end in CR LF.
QStringList traceLines()
{
    QFile file(traceLog::path());
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no log>")};
    const QByteArray bytes = file.readAll();
    if (!bytes.endsWith("\r\n"))
        return {QStringLiteral("<no CR LF at the end>")};
    return QString::fromLatin1(bytes.chopped(2)).split(QStringLiteral("\r\n"));
}

} // namespace

class AmountWindowTest : public WindowTest {
    Q_OBJECT

    TFormCommands* window() const { return FormCommands; }

    void typeAmount(const QString& text)
    {
        QVERIFY(userInput::typeInto(window()->EditSumDigit, text));
    }

    // Types the amount, converts, and returns the memo's text.
    QString convert(const QString& typed)
    {
        window()->EditSumDigit->clear();
        typeAmount(typed);
        window()->BitBtnSumConvert->click();
        return window()->MemoSumString->toPlainText();
    }

    void makeWindows() override
    {
        make(FormVelGeneral);
        make(FormCommands);
        make(FormSumList);
    }

    void prepare() override
    {
        QFile::remove(traceLog::path());
        window()->CheckBoxFirstChar->setChecked(true);
        window()->show();
        QVERIFY(QTest::qWaitForWindowExposed(window()));
    }

private slots:

    void opensEmpty()
    {
        QCOMPARE(window()->windowTitle(), QStringLiteral("Преобразование суммы в прописной вид"));
        QVERIFY(!window()->BitBtnSumConvert->isEnabled());
        QVERIFY(!window()->BitBtnInsertToList->isEnabled());
        QVERIFY(window()->BitBtnInsertFromList->isEnabled());
        QVERIFY(window()->CheckBoxFirstChar->isChecked());
        QCOMPARE(QApplication::focusWidget(), window()->EditSumDigit);
    }

    void reopeningEmptiesTheFields()
    {
        QCOMPARE(convert("5"), QStringLiteral("Пять рублей 00 копеек"));
        window()->CheckBoxFirstChar->setChecked(false);
        window()->hide();
        window()->show();
        QVERIFY(window()->EditSumDigit->text().isEmpty());
        QVERIFY(window()->MemoSumString->toPlainText().isEmpty());
        QVERIFY(!window()->BitBtnSumConvert->isEnabled());
        QVERIFY(!window()->BitBtnInsertToList->isEnabled());
        QVERIFY(!window()->CheckBoxFirstChar->isChecked());   // kept while the program runs
    }

    void typingEnablesConvert()
    {
        typeAmount("1");
        QVERIFY(window()->BitBtnSumConvert->isEnabled());
        userInput::press(Qt::Key_Backspace);
        QVERIFY(!window()->BitBtnSumConvert->isEnabled());
        // Enter presses the focused button only: in the amount it does nothing.
        typeAmount("1");
        userInput::press(Qt::Key_Return);
        QVERIFY(window()->MemoSumString->toPlainText().isEmpty());
        QVERIFY(userInput::tabTo(window()->BitBtnSumConvert));
        userInput::press(Qt::Key_Return);
        QCOMPARE(window()->MemoSumString->toPlainText(), QStringLiteral("Один рубль 00 копеек"));
    }

    void convertsAndHandsOver_data()
    {
        QTest::addColumn<bool>("capital");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("words");
        QTest::newRow("capital") << true << "1500,50" << QStringLiteral("Одна тысяча пятьсот рублей 50 копеек");
        QTest::newRow("lower case") << false << "1500,50" << QStringLiteral("одна тысяча пятьсот рублей 50 копеек");
        QTest::newRow("digit first stays") << true << "0" << QStringLiteral("00 копеек");
        QTest::newRow("largest") << true << "999999999999,99"
                                 << QStringLiteral("Девятьсот девяносто девять миллиардов девятьсот девяносто "
                                                   "девять миллионов девятьсот девяносто девять тысяч девятьсот "
                                                   "девяносто девять рублей 99 копеек");
        QTest::newRow("typed marker") << true << QStringLiteral("12©5") << QStringLiteral("Сто двадцать пять рублей 00 копеек");
    }

    void convertsAndHandsOver()
    {
        QFETCH(bool, capital);
        QFETCH(QString, typed);
        QFETCH(QString, words);
        window()->CheckBoxFirstChar->setChecked(capital);
        FormVelGeneral->ComboBoxText->setEditText(QStringLiteral("старое"));
        QCOMPARE(convert(typed), words);
        QVERIFY(window()->BitBtnInsertToList->isEnabled());
        window()->BitBtnInsertToList->click();
        QCOMPARE(FormVelGeneral->ComboBoxText->currentText(), words);
        QVERIFY(!window()->isVisible());
    }

    void wrappedResultGoesOverAsOneLine()
    {
        const QString words = convert("777 777 777 777,77");
        QTextBlock block = window()->MemoSumString->document()->firstBlock();
        QVERIFY(block.layout()->lineCount() > 1);   // the memo wrapped it
        QVERIFY(!words.contains(QLatin1Char('\n')));
        window()->BitBtnInsertToListClick();
        QCOMPARE(FormVelGeneral->ComboBoxText->currentText(), words);
    }

    void typedLineBreaksAreJoined()
    {
        window()->MemoSumString->setPlainText(QStringLiteral("сто\nрублей\n\n00 копеек"));
        window()->BitBtnInsertToListClick();
        QCOMPARE(FormVelGeneral->ComboBoxText->currentText(), QStringLiteral("сторублей00 копеек"));
    }

    void emptyMemoHandsNothingOver()
    {
        FormVelGeneral->ComboBoxText->setEditText(QStringLiteral("остается"));
        window()->BitBtnInsertToListClick();
        QCOMPARE(FormVelGeneral->ComboBoxText->currentText(), QStringLiteral("остается"));
        QVERIFY(window()->isVisible());
    }

    void clearingTheMemoDisablesHandOver()
    {
        convert("1");
        QVERIFY(window()->BitBtnInsertToList->isEnabled());
        QVERIFY(userInput::clickInto(window()->MemoSumString));
        userInput::press(Qt::CTRL | Qt::Key_A);
        userInput::press(Qt::Key_Delete);
        QVERIFY(!window()->BitBtnInsertToList->isEnabled());
        userInput::type("x");
        QVERIFY(window()->BitBtnInsertToList->isEnabled());
    }

    void refusesBadAmounts_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("letters") << "abc" << kInvalid;
        QTest::newRow("dash before the point") << "1-000,50" << kInvalid;
        QTest::newRow("minus") << "-1,50" << kInvalid;
        QTest::newRow("minus, no point") << "-150" << kInvalid;
        QTest::newRow("several separators") << "1=2=3" << kInvalid;
        QTest::newRow("13 digits") << "1000000000000" << kOverLimit;
        QTest::newRow("leading zero") << "0999999999999" << kOverLimit;
        QTest::newRow("16 characters") << "+999999999999,99" << kOverLimit;
        QTest::newRow("several hundred digits") << QString(300, QLatin1Char('9')) << kOverLimit;
        QTest::newRow("several hundred letters") << QString(300, QLatin1Char('x')) << kInvalid;
    }

    void refusesBadAmounts()
    {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        window()->MemoSumString->setPlainText(QStringLiteral("прежнее"));
        window()->EditSumDigit->setText(typed);
        dialogs_->answer(MessageAnswer::Ok);
        window()->BitBtnSumConvertClick();
        QCOMPARE(dialogs_->shownTexts(), QStringList{message});
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Error);
        QCOMPARE(window()->EditSumDigit->text(), typed);
        QCOMPARE(window()->MemoSumString->toPlainText(), QStringLiteral("прежнее"));
    }

    void emptyListIsNotOffered()
    {
        dialogs_->answer(MessageAnswer::Ok);
        window()->BitBtnInsertFromList->click();
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Список идентификаторов пуст!")});
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Information);
        QVERIFY(!FormSumList->isVisible());
    }

    void pickFillsTheAmountWithoutConverting()
    {
        identifierList().append({"#SUM#", "1 500,50", {}, true});
        QListWidget* box = FormSumList->ListBoxSumList;   // a click on the line picks it
        QTimer::singleShot(0, box, [box] { QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(0)).center()); });
        window()->BitBtnInsertFromListClick();
        QCOMPARE(SumListTarget, 's');
        QVERIFY(!FormSumList->isVisible());
        QCOMPARE(window()->EditSumDigit->text(), QStringLiteral("1 500,50"));
        QVERIFY(window()->BitBtnSumConvert->isEnabled());
        QVERIFY(window()->MemoSumString->toPlainText().isEmpty());
        window()->BitBtnSumConvert->click();
        QCOMPARE(window()->MemoSumString->toPlainText(), QStringLiteral("Одна тысяча пятьсот рублей 50 копеек"));
    }

    void noTraceWhenTheModeIsOff()
    {
        convert("1");
        QVERIFY(!QFile::exists(traceLog::path()));
        setDiagnosticMode(DiagnosticMode::WordTrace);
        convert("1");
        QVERIFY(!QFile::exists(traceLog::path()));
    }

    void tracesConversions_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("capital");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("codes");
        const QStringList normalisedWithPoint = split("v01 v02 v03 v04 v05 v07 v10 v12 v13 v14 v15 v99");
        const QStringList normalisedWithout = split("v01 v02 v03 v11 v12 v13 v14 v15 v99");
        const QStringList emptyTriad = split("S12 Sf01 Sf02 Sf03 Sf05 Sf99 S13 S14");
        QTest::newRow("good, capital") << "12000,5" << true << QString()
            << split("600") + normalisedWithPoint + split("601 602 603 604")
                   + split("S01 S02 S03 S04 S05 S09 S10 S11")
                   + split("S12 Sf01 Sf02 Sf03 Sf04 Sf05 Sf99 S13 S14 S20") + emptyTriad
                   + split("S23 S24 S27 S28 S29 S99 605 606 607 608 609 610 611 612 613 699");
        QTest::newRow("good, lower case") << "1" << false << QString()
            << split("600") + normalisedWithout + split("601 602 603 604")
                   + split("S01 S02 S03 S04 S05 S06 S07 S08 S09 S10 S11")
                   + split("S12 Sf01 Sf02 Sf03 Sf05 Sf99 S13 S14")
                   + split("S23 S25 S27 S28 S29 S99 605 609 610 611 612 613 699");
        QTest::newRow("millions and thousands") << "2021000,02" << false << QString()
            << split("600") + split("v01 v02 v03 v04 v05 v06 v10 v12 v13 v14 v15 v99")
                   + split("601 602 603 604 S01 S02 S03 S04 S05 S06 S07 S08 S09 S10 S11")
                   + split("S12 Sf01 Sf02 Sf03 Sf05 Sf99 S13 S14 S20")
                   + split("S12 Sf01 Sf02 Sf03 Sf05 Sf99 S13 S14 S21") + emptyTriad
                   + split("S23 S24 S27 S28 S31 S99 605 609 610 611 612 613 699");
        QTest::newRow("invalid number") << "abc" << true << kInvalid
            << split("600") + normalisedWithout + split("601 615error 616error 699");
        QTest::newRow("over the limit") << "1000000000000" << true << kOverLimit
            << split("600") + normalisedWithout + split("601 602 603 614 615 699");
    }

    void tracesConversions()
    {
        QFETCH(QString, typed);
        QFETCH(bool, capital);
        QFETCH(QString, message);
        QFETCH(QStringList, codes);
        QFile::remove(traceLog::path());
        setDiagnosticMode(DiagnosticMode::AmountTrace);
        window()->CheckBoxFirstChar->setChecked(capital);
        if (!message.isEmpty())
            dialogs_->answer(MessageAnswer::Ok);
        // A first conversion leaves a log that the traced one must replace.
        window()->EditSumDigit->setText(QStringLiteral("5"));
        window()->BitBtnSumConvertClick();
        window()->EditSumDigit->setText(typed);
        window()->BitBtnSumConvertClick();
        QCOMPARE(traceLines(), codes);
        QCOMPARE(dialogs_->shownTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(!traceLog::isOpen());
    }

    void traceLogThatCannotBeCreatedStopsTheConversion()
    {
        setDiagnosticMode(DiagnosticMode::AmountTrace);
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", (home_->path() + QStringLiteral("missing/folder")).toLocal8Bit());
        dialogs_->answer(MessageAnswer::Ok);
        typeAmount("1");
        window()->BitBtnSumConvert->click();
        qputenv("HOME", home);
        QCOMPARE(dialogs_->shown().size(), 1);
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::ApplicationError);
        QVERIFY(window()->MemoSumString->toPlainText().isEmpty());
    }
};

KV_TEST_MAIN(AmountWindowTest)
#include "AmountWindowTest.moc"
