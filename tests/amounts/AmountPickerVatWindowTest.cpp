#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelSumList.h"
#include "amounts/windows/UnitVelnds.h"
#include "common/Codec1251.h"
#include "common/TraceLog.h"
#include "general/IdentifierList.h"
#include "general/windows/UnitVelGeneral.h"
#include "support/TestMain.h"
#include "support/UserInput.h"
#include "support/WindowTest.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>

namespace {

const QString kNoText = QStringLiteral("Выбранный идентификатор не содержит текста.\n"
                                       "Выберите идентификатор с текстом или выйдети из списка");

void addRecord(const QString& identifier, const QString& replacement, bool on = true)
{
    identifierList().append({identifier, replacement, {}, on});
}

} // namespace

class AmountPickerVatWindowTest : public WindowTest {
    Q_OBJECT

    TFormSumList* picker() const { return FormSumList; }
    TFormVelnds* vat() const { return FormVelnds; }

    void openPicker(char target)
    {
        SumListTarget = target;
        picker()->show();
        picker()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(picker()));
    }

    void clickLine(int i)
    {
        QListWidget* box = picker()->ListBoxSumList;
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(i)).center());
    }

    void typeAmount(const QString& text)
    {
        vat()->EditNDSSum->clear();
        QVERIFY(userInput::typeInto(vat()->EditNDSSum, text));
    }

    void setRate(int rate)
    {
        vat()->SpinEditNDS->setValue(rate);
    }

    void makeWindows() override
    {
        make(FormVelGeneral);
        make(FormCommands);
        make(FormSumList);
        make(FormVelnds);
    }

    void prepare() override
    {
        SumListTarget = '\0';
        vat()->SpinEditNDS->setValue(20);
    }

private slots:

    // The picker.

    void listsEveryRecordOnActivation()
    {
        addRecord("#A#", "100");
        addRecord("#B#", QString(70, QLatin1Char('7')), false);
        openPicker('s');
        QListWidget* box = picker()->ListBoxSumList;
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->item(0)->text(), identifierList().listLine(0));
        QVERIFY(box->item(1)->text().endsWith(QStringLiteral("выкл ")));
        QCOMPARE(box->currentRow(), -1);
        // Rebuilt on every activation: a record added meanwhile shows.
        picker()->hide();
        addRecord("#C#", "3");
        openPicker('s');
        QCOMPARE(box->count(), 3);
    }

    void focusingTheListPicksNothing()
    {
        addRecord("#A#", "100");
        openPicker('s');
        FormCommands->EditSumDigit->setText(QStringLiteral("прежнее"));
        picker()->ListBoxSumList->setFocus();
        QCoreApplication::processEvents();
        QVERIFY(picker()->isVisible());
        QCOMPARE(FormCommands->EditSumDigit->text(), QStringLiteral("прежнее"));
    }

    void clickPicksForTheAmountWindow()
    {
        addRecord("#A#", "100");
        addRecord("#B#", QString(70, QLatin1Char('7')), false);   // off, and longer than its column
        FormCommands->BitBtnSumConvert->setEnabled(false);
        openPicker('s');
        clickLine(1);
        QVERIFY(!picker()->isVisible());
        QCOMPARE(FormCommands->EditSumDigit->text(), QString(70, QLatin1Char('7')));
        QVERIFY(FormCommands->BitBtnSumConvert->isEnabled());
        QVERIFY(FormCommands->MemoSumString->toPlainText().isEmpty());
    }

    // The arrows move through the list without picking; Enter picks.
    void arrowsMoveEnterPicksForTheVatWindow()
    {
        addRecord("#A#", QStringLiteral("100"));
        addRecord("#B#", QStringLiteral("сто рублей"));
        vat()->BitBtnNDSfromPrice->setEnabled(false);
        vat()->BitBtnNDSfromSum->setEnabled(false);
        openPicker('n');
        QVERIFY(userInput::tabTo(picker()->ListBoxSumList));
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Down})
            userInput::press(key);
        QVERIFY(picker()->isVisible() && vat()->EditNDSSum->text().isEmpty());
        userInput::press(Qt::Key_Return);
        QVERIFY(!picker()->isVisible());
        QCOMPARE(vat()->EditNDSSum->text(), QStringLiteral("сто рублей"));   // passed unchanged
        QVERIFY(vat()->BitBtnNDSfromPrice->isEnabled());
        QVERIFY(vat()->BitBtnNDSfromSum->isEnabled());
    }

    void otherTargetOnlyCloses()
    {
        addRecord("#A#", "100");
        FormCommands->EditSumDigit->clear();
        vat()->EditNDSSum->clear();
        openPicker('x');
        clickLine(0);
        QVERIFY(!picker()->isVisible());
        QVERIFY(FormCommands->EditSumDigit->text().isEmpty());
        QVERIFY(vat()->EditNDSSum->text().isEmpty());
    }

    void emptyTextIsRefused()
    {
        addRecord("#A#", "");
        addRecord("#B#", "200");
        FormCommands->EditSumDigit->clear();
        openPicker('s');
        dialogs_->answer(MessageAnswer::Ok);
        clickLine(0);
        QCOMPARE(dialogs_->shownTexts(), QStringList{kNoText});
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Information);
        QVERIFY(picker()->isVisible());
        QVERIFY(FormCommands->EditSumDigit->text().isEmpty());
        // The list is rebuilt once the box is gone; the selection does not survive.
        QTRY_COMPARE(picker()->ListBoxSumList->currentRow(), -1);
        QCOMPARE(picker()->ListBoxSumList->count(), 2);
        clickLine(1);
        QVERIFY(!picker()->isVisible());
        QCOMPARE(FormCommands->EditSumDigit->text(), QStringLiteral("200"));
    }

    void cancelLeavesTheTargetAlone()
    {
        addRecord("#A#", "100");
        FormCommands->EditSumDigit->setText(QStringLiteral("5"));
        openPicker('s');
        picker()->ButtonSumListExit->click();
        QVERIFY(!picker()->isVisible());
        QCOMPARE(FormCommands->EditSumDigit->text(), QStringLiteral("5"));
    }

    // The VAT window.

    void vatOpensEmptyAndKeepsTheRate()
    {
        vat()->show();
        QVERIFY(QTest::qWaitForWindowExposed(vat()));
        QCOMPARE(vat()->windowTitle(), QStringLiteral("Расчет НДС"));
        QCOMPARE(vat()->SpinEditNDS->value(), 20);
        QVERIFY(!vat()->BitBtnNDSfromPrice->isEnabled());
        QVERIFY(!vat()->BitBtnNDSfromSum->isEnabled());
        QVERIFY(!vat()->BitBtnNDSToList->isEnabled());
        QCOMPARE(QApplication::focusWidget(), vat()->EditNDSSum);
        typeAmount("1000");
        QVERIFY(vat()->BitBtnNDSfromPrice->isEnabled());
        QVERIFY(vat()->BitBtnNDSfromSum->isEnabled());
        setRate(18);
        vat()->BitBtnNDSfromPrice->click();
        vat()->hide();
        vat()->show();
        QVERIFY(vat()->EditNDSSum->text().isEmpty());
        QVERIFY(vat()->EditNDS->text().isEmpty());
        QVERIFY(!vat()->BitBtnNDSToList->isEnabled());
        QCOMPARE(vat()->SpinEditNDS->value(), 18);
    }

    void computesEveryExample_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("fromPrice");
        QTest::addColumn<QString>("fromSum");
        QTest::newRow("1000 at 20") << "1000" << 20 << "200,00" << "166,67";
        QTest::newRow("1000 at 18") << "1000" << 18 << "180,00" << "152,54";
        QTest::newRow("0,63 at 20") << "0,63" << 20 << "0,13" << "0,11";
        QTest::newRow("0,25 at 50") << "0,25" << 50 << "0,13" << "0,08";
        QTest::newRow("0,625 at 20") << "0,625" << 20 << "0,12" << "0,10";
        QTest::newRow("1 500-50") << "1 500-50" << 20 << "300,10" << "250,08";
        QTest::newRow("1000 at 99") << "1000" << 99 << "990,00" << "497,49";
    }

    void computesEveryExample()
    {
        QFETCH(QString, amount);
        QFETCH(int, rate);
        QFETCH(QString, fromPrice);
        QFETCH(QString, fromSum);
        vat()->show();
        typeAmount(amount);
        setRate(rate);
        vat()->BitBtnNDSfromPrice->click();
        QCOMPARE(vat()->EditNDS->text(), fromPrice);
        QVERIFY(vat()->BitBtnNDSToList->isEnabled());
        vat()->BitBtnNDSfromSum->click();
        QCOMPARE(vat()->EditNDS->text(), fromSum);
    }

    void refusesWhatIsNoNumber_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::newRow("letters") << "abc";
        QTest::newRow("minus") << "-1000";
        QTest::newRow("dash before the point") << "1-000,50";
        QTest::newRow("picked words") << QString(400, QLatin1Char('x'));
    }

    void refusesWhatIsNoNumber()
    {
        QFETCH(QString, amount);
        vat()->show();
        vat()->EditNDS->setText(QStringLiteral("12,00"));
        vat()->EditNDSSum->setText(amount);
        dialogs_->answer(MessageAnswer::Ok);
        dialogs_->answer(MessageAnswer::Ok);
        vat()->BitBtnNDSfromPriceClick();
        vat()->BitBtnNDSfromSumClick();
        QCOMPARE(dialogs_->shownTexts(), QStringList(2, QStringLiteral("Недопустимый формат числа!")));
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Error);
        QCOMPARE(vat()->EditNDS->text(), QStringLiteral("12,00"));
        QCOMPARE(vat()->EditNDSSum->text(), amount);
    }

    void typingIsLimitedPickingIsNot()
    {
        vat()->show();
        typeAmount(QString(20, QLatin1Char('1')));
        QCOMPARE(vat()->EditNDSSum->text(), QString(16, QLatin1Char('1')));
        // A paste is cut to the room left, as typing is.
        vat()->EditNDSSum->clear();
        QApplication::clipboard()->setText(QString(20, QLatin1Char('2')));
        QVERIFY(userInput::typeInto(vat()->EditNDSSum, "1"));
        userInput::press(Qt::CTRL | Qt::Key_V);
        QCOMPARE(vat()->EditNDSSum->text(), "1" + QString(15, QLatin1Char('2')));
        addRecord("#A#", "1" + QString(29, QLatin1Char('0')));
        openPicker('n');
        clickLine(0);
        QCOMPARE(vat()->EditNDSSum->text().size(), 30);
        vat()->BitBtnNDSfromPrice->click();
        QCOMPARE(vat()->EditNDS->text(), "2" + QString(28, QLatin1Char('0')) + ",00");
    }

    void rateStaysWithinItsBounds()
    {
        vat()->show();
        vat()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(vat()));
        QVERIFY(userInput::typeOver(vat()->SpinEditNDS, "150"));
        QCOMPARE(vat()->rate(), 15);   // two characters at most
        QVERIFY(userInput::typeOver(vat()->SpinEditNDS, "0"));
        QCOMPARE(vat()->rate(), 1);
        QVERIFY(userInput::clickInto(vat()->EditNDSSum));   // leaving the box brings it into bounds
        QCOMPARE(vat()->SpinEditNDS->value(), 1);
        auto* text = vat()->SpinEditNDS->findChild<QLineEdit*>();
        QVERIFY(text);
        text->setText(QStringLiteral("ab"));
        QCOMPARE(vat()->rate(), 1);
    }

    void handsTheTaxOver()
    {
        vat()->show();
        typeAmount("1000");
        vat()->BitBtnNDSfromSum->click();
        FormVelGeneral->ComboBoxText->setEditText(QStringLiteral("старое"));
        vat()->BitBtnNDSToList->click();
        QCOMPARE(FormVelGeneral->ComboBoxText->currentText(), QStringLiteral("166,67"));
        QVERIFY(!vat()->isVisible());
    }

    void typingTheTaxEnablesHandOver()
    {
        vat()->show();
        QVERIFY(userInput::typeInto(vat()->EditNDS, "5"));
        QVERIFY(vat()->BitBtnNDSToList->isEnabled());
        userInput::press(Qt::Key_Backspace);
        QVERIFY(!vat()->BitBtnNDSToList->isEnabled());
    }

    void vatWritesNoTrace()
    {
        setDiagnosticMode(DiagnosticMode::AmountTrace);
        vat()->show();
        typeAmount("1000");
        vat()->BitBtnNDSfromPrice->click();
        setDiagnosticMode(DiagnosticMode::Off);
        QCOMPARE(vat()->EditNDS->text(), QStringLiteral("200,00"));
        QVERIFY(!QFile::exists(traceLog::path()));
    }

    void vatEmptyListIsNotOffered()
    {
        vat()->show();
        dialogs_->answer(MessageAnswer::Ok);
        vat()->BitBtnNDSInsertFromList->click();
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Список идентификаторов пуст!")});
        QVERIFY(!picker()->isVisible());
    }

    void vatPicksThroughThePicker()
    {
        addRecord("#NDS#", "1 000");
        vat()->show();
        QTimer::singleShot(0, picker(), [this] { clickLine(0); });
        vat()->BitBtnNDSInsertFromListClick();
        QCOMPARE(SumListTarget, 'n');
        QCOMPARE(vat()->EditNDSSum->text(), QStringLiteral("1 000"));
        QVERIFY(vat()->EditNDS->text().isEmpty());   // nothing computed by the pick
        vat()->BitBtnNDSfromPrice->click();
        QCOMPARE(vat()->EditNDS->text(), QStringLiteral("200,00"));
    }
};

KV_TEST_MAIN(AmountPickerVatWindowTest)
#include "AmountPickerVatWindowTest.moc"
