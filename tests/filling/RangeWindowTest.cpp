// The range window and nstrint.dan.
#include "support/TestMain.h"
#include "support/UserInput.h"
#include "support/WindowTest.h"

#include "filling/ColumnList.h"
#include "filling/RangeFile.h"
#include "filling/windows/UnitVelExcelSelect.h"
#include "settings/windows/UnitVelOptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtEndian>
#include <QtTest>

namespace {

QByteArray records(std::initializer_list<qint32> values)
{
    QByteArray bytes;
    for (qint32 v : values) {
        char le[4];
        qToLittleEndian(v, le);
        bytes.append(le, 4);
    }
    return bytes;
}

} // namespace

class RangeWindowTest : public WindowTest {
    Q_OBJECT

    TFormExcelSelect* form_ = nullptr;

    void makeWindows() override
    {
        make(FormVelOptions);
        form_ = make(FormExcelSelect);
    }

    void prepare() override { setRestore(false); }

    // Opens the window as a run does and confirms it from inside.
    void openAndConfirm()
    {
        QTimer::singleShot(0, form_, [this] { QTest::mouseClick(form_->ButtonExcelSelectOK, Qt::LeftButton); });
        form_->exec();
    }

    void openAndCancel()
    {
        QTimer::singleShot(0, form_, [this] { QTest::mouseClick(form_->ButtonExcelSelectExit, Qt::LeftButton); });
        form_->exec();
    }

    void setRestore(bool on) { FormVelOptions->CheckBoxExcelSave->setChecked(on); }

private slots:

    void columnList702()
    {
        const QStringList columns = columnList();
        QCOMPARE(columns.size(), 702);
        QCOMPARE(columns.at(0), QString("A"));
        QCOMPARE(columns.at(25), QString("Z"));
        QCOMPARE(columns.at(26), QString("AA"));
        QCOMPARE(columns.at(27), QString("AB"));
        QCOMPARE(columns.at(52), QString("BA"));
        QCOMPARE(columns.at(701), QString("ZZ"));
        QCOMPARE(form_->ComboBox1->count(), 702);
        QCOMPARE(form_->ComboBox2->count(), 702);
    }

    void defaultsGiveA1A10()
    {
        openAndConfirm();
        QVERIFY(form_->confirmedRange() == (RangeSelection{1, "A1:A10"}));
        // Written even with the restore switch off.
        QCOMPARE(folder_->read("nstrint.dan"), records({1, 0, 0, 1, 10}));
    }

    void cancelLeavesTheRunUnconfirmed()
    {
        openAndConfirm();
        QFile::remove(folder_->file("nstrint.dan"));
        openAndCancel();
        QVERIFY(!form_->confirmedRange());
        QVERIFY(!QFile::exists(folder_->file("nstrint.dan")));
    }

    void firstNotAboveLast()
    {
        form_->FormActivate();
        form_->ComboBox2->setCurrentText("C");
        form_->ComboBox1->setCurrentText("AB");
        QCOMPARE(form_->ComboBox2->currentText(), QString("AB"));
        form_->ComboBox2->setCurrentText("B");
        QCOMPARE(form_->ComboBox1->currentText(), QString("B"));
        form_->SpinEditRow2->setValue(10);
        form_->SpinEditRow1->setValue(50);
        QCOMPARE(form_->SpinEditRow2->value(), 50);
        form_->SpinEditRow2->setValue(7);
        QCOMPARE(form_->SpinEditRow1->value(), 7);
    }

    void restoredFromTheFile()
    {
        folder_->write("nstrint.dan", records({3, 27, 701, 5, 2000}));
        setRestore(true);
        openAndConfirm();
        QCOMPARE(form_->confirmedRange()->sheetCount, 3);
        QCOMPARE(form_->confirmedRange()->rangeText, QString("AB5:ZZ2000"));
        setRestore(false);
        openAndConfirm();
        QCOMPARE(form_->confirmedRange()->rangeText, QString("A1:A10"));
    }

    void confirmedRangeComesBackWithRestoreOn()
    {
        form_->FormActivate();
        form_->SpinEditPage->setValue(2);
        form_->ComboBox1->setCurrentText("D");
        form_->ComboBox2->setCurrentText("F");
        form_->SpinEditRow1->setValue(3);
        form_->SpinEditRow2->setValue(30);
        form_->ButtonExcelSelectOKClick();
        QCOMPARE(folder_->read("nstrint.dan"), records({2, 3, 5, 3, 30}));
        setRestore(true);
        openAndConfirm();
        QCOMPARE(form_->confirmedRange()->rangeText, QString("D3:F30"));
        QCOMPARE(form_->confirmedRange()->sheetCount, 2);
    }

    void typedColumnIsUsedAndRememberedAsMinusOne()
    {
        form_->FormActivate();
        form_->ComboBox1->setCurrentText("A");
        form_->ComboBox2->setCurrentText("ZZZ");
        form_->SpinEditRow1->setValue(1);
        form_->SpinEditRow2->setValue(9999);
        form_->ButtonExcelSelectOKClick();
        QCOMPARE(form_->confirmedRange()->rangeText, QString("A1:ZZZ9999"));
        QCOMPARE(folder_->read("nstrint.dan"), records({1, 0, -1, 1, 9999}));
        setRestore(true);
        form_->FormActivate();
        QCOMPARE(form_->ComboBox2->currentText(), QString());
        QCOMPARE(form_->ComboBox1->currentText(), QString("A"));
    }

    void brokenFileShowsTheErrorAndKeepsWhatWasRead_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("sheets");
        QTest::newRow("missing") << QByteArray() << false << 4;
        QTest::newRow("short") << records({6, 2}) << true << 6;
    }

    void brokenFileShowsTheErrorAndKeepsWhatWasRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, exists);
        QFETCH(int, sheets);
        form_->SpinEditPage->setValue(4);
        form_->ComboBox1->setCurrentText("A");
        form_->ComboBox2->setCurrentText("A");
        if (exists)
            folder_->write("nstrint.dan", bytes);
        setRestore(true);
        dialogs_->answer(MessageAnswer::Ok);
        openAndConfirm();
        QCOMPARE(dialogs_->shown().size(), 1);
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::ApplicationError);
        QVERIFY(dialogs_->shown().first().text.contains("nstrint.dan"));
        QVERIFY(form_->confirmedRange());
        QCOMPARE(form_->confirmedRange()->sheetCount, sheets);
    }

    void unwritableFileDoesNotStopTheRun()
    {
        QDir(folder_->path()).mkdir("nstrint.dan");   // a folder where the file should be
        dialogs_->answer(MessageAnswer::Ok);
        openAndConfirm();
        QCOMPARE(dialogs_->shown().size(), 1);
        QVERIFY(form_->confirmedRange());
        QVERIFY(!form_->isVisible());
    }

    void typedLimits()
    {
        form_->show();
        form_->SpinEditPage->setValue(1);
        QVERIFY(userInput::typeOver(form_->SpinEditPage, "10"));
        QCOMPARE(form_->SpinEditPage->text(), QString("1"));
        QVERIFY(userInput::typeOver(form_->SpinEditRow1, "12345"));
        QCOMPARE(form_->SpinEditRow1->value(), 1234);
        // A typed first row past the last row moves the last row along.
        QCOMPARE(form_->SpinEditRow2->value(), 1234);
        QVERIFY(userInput::typeOver(form_->ComboBox1, "AB"));
        QCOMPARE(form_->ComboBox2->currentText(), QString("AB"));
        form_->SpinEditPage->setValue(10);   // the arrows still reach 10
        QCOMPARE(form_->SpinEditPage->text(), QString("10"));
        form_->hide();
    }
};

KV_TEST_MAIN(RangeWindowTest)
#include "RangeWindowTest.moc"
