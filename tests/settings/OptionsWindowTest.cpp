#include "common/windows/HelpWindow.h"
#include "common/KvilmarError.h"
#include "common/TraceLog.h"
#include "filling/windows/UnitVelTest.h"
#include "general/windows/UnitVelGeneral.h"
#include "settings/windows/FontSettings.h"
#include "settings/SettingsFiles.h"
#include "settings/windows/UnitVelOptions.h"
#include "support/TestMain.h"
#include "support/WindowTest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QTimer>

namespace {

FontRecord record(const QByteArray& name, quint16 points, quint32 color, quint8 style)
{
    FontRecord r;
    r.name = name;
    r.pointSize = points;
    r.color = color;
    r.style = style;
    return r;
}

QColor textColor(QWidget* w)
{
    return w->palette().color(QPalette::Text);
}

const QString kWordMode = QStringLiteral(
    "Включен режим отслеживания ошибок взаимодействия с LibreOffice Writer. "
    "Данный режим будет автоматически выключен при следующем запуске программы.");
const QString kAmountMode = QStringLiteral(
    "Включен режим отслеживания ошибок. "
    "Данный режим будет автоматически выключен при следующем запуске программы.");

} // namespace

class OptionsWindowTest : public WindowTest {
    Q_OBJECT

    void makeWindows() override
    {
        make(FormVelGeneral);
        make(FormVelOptions);
        make(FormTest);
    }

    void openOptions()
    {
        FormVelOptions->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormVelOptions));
    }

private slots:

    void withoutSettingsFilesTheDesignedStateStays()
    {
        openOptions();
        QVERIFY(FormVelOptions->FontSample->text().isEmpty());
        QCOMPARE(textColor(FormVelOptions->FontSample), QColor(Qt::blue));
        QVERIFY(!FormVelOptions->CheckBoxStartWindow->isChecked());
        QVERIFY(!FormVelOptions->CheckBoxExcelSave->isChecked());
    }

    void activationReadsBothFiles()
    {
        settingsFiles::writeFont(settingsFiles::fontFileName(), record("Serif", 9, 0x00008000, FontRecord::Italic));
        settingsFiles::writeSwitches(settingsFiles::switchFileName(), true, true);
        openOptions();
        QCOMPARE(FormVelOptions->FontSample->text(), QStringLiteral("Serif"));
        QCOMPARE(FormVelOptions->FontSample->font().pointSize(), 9);
        QVERIFY(FormVelOptions->FontSample->font().italic());
        QCOMPARE(textColor(FormVelOptions->FontSample), QColor(0, 0x80, 0));
        QVERIFY(FormVelOptions->CheckBoxStartWindow->isChecked());
        QVERIFY(FormVelOptions->CheckBoxExcelSave->isChecked());
    }

    void savingBoldRedTenPointsWritesTheRecordAndAppliesIt()
    {
        // A green font stored before; the user makes it red, bold and 10 points.
        settingsFiles::writeFont(settingsFiles::fontFileName(), record("Sans", 8, 0x00008000, 0));
        openOptions();
        QFont chosen = FormVelOptions->FontSample->font();
        chosen.setPointSize(10);
        chosen.setBold(true);
        dialogs_->answerFont(FontChoice{chosen, QColor(Qt::red)});
        FormVelOptions->ButtonFontChange->click();
        QCOMPARE(FormVelOptions->FontSample->font().pointSize(), 10);
        // Nothing reaches the main window before saving.
        QVERIFY(!FormVelGeneral->ComboBoxField->font().bold());
        FormVelOptions->CheckBoxStartWindow->setChecked(true);
        const QColor commentColor = textColor(FormVelGeneral->EditComment);
        const QColor templateColor = textColor(FormVelGeneral->EditFile);
        FormVelOptions->ButtonSaveOptions->click();

        QVERIFY(!FormVelOptions->isVisible());
        const QByteArray bytes = folder_->read(QStringLiteral("nstrfon.dan"));
        QCOMPARE(bytes.size(), 268);
        QCOMPARE(bytes, settingsFiles::encodeFont(record("Sans", 10, 0x000000FF, FontRecord::Bold)));
        QCOMPARE(folder_->read(QStringLiteral("nstrbol.dan")), QByteArray("\x01\x00", 2));

        for (QWidget* w : {static_cast<QWidget*>(FormVelGeneral->ComboBoxField),
                           static_cast<QWidget*>(FormVelGeneral->ComboBoxText)}) {
            QCOMPARE(w->font().family(), QStringLiteral("Sans"));
            QCOMPARE(w->font().pointSize(), 10);
            QVERIFY(w->font().bold());
            QCOMPARE(textColor(w), QColor(Qt::red));
        }
        for (QWidget* w : {static_cast<QWidget*>(FormVelGeneral->EditComment),
                           static_cast<QWidget*>(FormVelGeneral->EditFile)}) {
            QCOMPARE(w->font().family(), QStringLiteral("Sans"));
            QCOMPARE(w->font().pointSize(), 10);
            QVERIFY(w->font().bold());
        }
        QCOMPARE(textColor(FormVelGeneral->EditComment), commentColor);
        QCOMPARE(textColor(FormVelGeneral->EditFile), templateColor);
        QVERIFY(commentColor != QColor(Qt::red));
    }

    void savingUntouchedRewritesTheSameRecord()
    {
        const QByteArray stored = settingsFiles::encodeFont(
            record("Monospace", 9, 0x80000008, FontRecord::Italic | FontRecord::Underline));
        folder_->write(QStringLiteral("nstrfon.dan"), stored);
        openOptions();
        FormVelOptions->ButtonSaveOptions->click();
        QCOMPARE(folder_->read(QStringLiteral("nstrfon.dan")), stored);
    }

    void cancellingStoresNothing()
    {
        settingsFiles::writeSwitches(settingsFiles::switchFileName(), false, false);
        openOptions();
        dialogs_->answerFont(FontChoice{QFont(QStringLiteral("Serif"), 10), QColor(Qt::darkGreen)});
        FormVelOptions->ButtonFontChange->click();
        FormVelOptions->CheckBoxExcelSave->setChecked(true);
        FormVelOptions->ButtonOptionsClose->click();
        QVERIFY(!FormVelOptions->isVisible());
        QVERIFY(!QFile::exists(settingsFiles::fontFileName()));
        QCOMPARE(folder_->read(QStringLiteral("nstrbol.dan")), QByteArray("\x00\x00", 2));
        // The box keeps the change until the switches are read again.
        QVERIFY(FormVelOptions->CheckBoxExcelSave->isChecked());
        FormVelOptions->ReadSwitches();
        QVERIFY(!FormVelOptions->CheckBoxExcelSave->isChecked());
    }

    void cancelledFontDialogChangesNothing()
    {
        openOptions();
        const QFont before = FormVelOptions->FontSample->font();
        dialogs_->answerFont(std::nullopt);
        FormVelOptions->ButtonFontChange->click();
        QCOMPARE(FormVelOptions->FontSample->font(), before);
        QVERIFY(FormVelOptions->FontSample->text().isEmpty());
    }

    void failedSaveShowsTheErrorAndKeepsTheWindowOpen()
    {
        openOptions();
        const QString blocked = folder_->write(QStringLiteral("plain.txt"), "x") + QStringLiteral("/");
        qputenv("KVILMAR_PROGRAM_DIR", blocked.toLocal8Bit());
        dialogs_->answer(MessageAnswer::Ok);
        FormVelOptions->ButtonSaveOptions->click();
        QCOMPARE(dialogs_->shown().size(), 1);
        QCOMPARE(dialogs_->shown()[0].kind, MessageKind::ApplicationError);
        QVERIFY(dialogs_->shown()[0].text.contains(QStringLiteral("nstrfon.dan")));
        QVERIFY(FormVelOptions->isVisible());
    }

    void helpOpensTopic0091()
    {
        openOptions();
        FormVelOptions->ButtonOptionsHelp->click();
        QCOMPARE(helpWindow()->currentTopic(), QStringLiteral("0091"));
        QVERIFY(helpWindow()->isVisible());
        QVERIFY(helpWindow()->browser()->toPlainText().contains(QStringLiteral("Настройка параметров программы")));
        helpWindow()->close();
    }

    void debuggerWindowSetsEachMode_data()
    {
        QTest::addColumn<bool>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("mode");
        QTest::newRow("word") << false << kWordMode << int(DiagnosticMode::WordTrace);
        QTest::newRow("amount") << true << kAmountMode << int(DiagnosticMode::AmountTrace);
    }

    void debuggerWindowSetsEachMode()
    {
        QFETCH(bool, amount);
        QFETCH(QString, message);
        QFETCH(int, mode);
        openOptions();
        dialogs_->answer(MessageAnswer::Ok);
        bool debuggerShown = false;
        QTimer::singleShot(0, FormTest, [&] {
            debuggerShown = FormTest->isVisible();
            (amount ? FormTest->RadioButtonTest2 : FormTest->RadioButtonTest1)->setChecked(true);
            FormTest->ButtonStartTest->click();
        });
        QTest::mouseDClick(FormVelOptions->Image1, Qt::LeftButton);
        QVERIFY(debuggerShown);
        QCOMPARE(int(diagnosticMode()), mode);
        QCOMPARE(dialogs_->shownTexts(), QStringList{message});
        QCOMPARE(dialogs_->shown()[0].kind, MessageKind::Information);
        // A mode switched on closes the options window too, unsaved.
        QVERIFY(!FormVelOptions->isVisible());
        QVERIFY(!QFile::exists(settingsFiles::switchFileName()));
    }

    void modesReplaceEachOther()
    {
        dialogs_->answer(MessageAnswer::Ok);
        dialogs_->answer(MessageAnswer::Ok);
        FormTest->RadioButtonTest1->setChecked(true);
        FormTest->ButtonStartTestClick();
        QCOMPARE(diagnosticMode(), DiagnosticMode::WordTrace);
        FormTest->RadioButtonTest2->setChecked(true);
        FormTest->ButtonStartTestClick();
        QCOMPARE(diagnosticMode(), DiagnosticMode::AmountTrace);
    }

    void cancellingTheDebuggerKeepsTheModeAndTheOptionsWindow()
    {
        openOptions();
        QVERIFY(FormTest->RadioButtonTest1->isChecked());
        QTimer::singleShot(0, FormTest, [] {
            FormTest->RadioButtonTest2->setChecked(true);
            FormTest->ButtonCancelTest->click();
        });
        QTest::mouseDClick(FormVelOptions->Image1, Qt::LeftButton);
        QCOMPARE(diagnosticMode(), DiagnosticMode::Off);
        QVERIFY(FormVelOptions->isVisible());
    }

    void traceLogHoldsOnlyTheLastOperation()
    {
        TempFolder home(false);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        {
            TraceScope scope("599");
            traceLog::write("500");
            traceLog::write("535");
        }
        {
            TraceScope scope("599");
            traceLog::write("500");
        }
        QCOMPARE(home.read(QStringLiteral("kvilmarerror.log")), QByteArray("500\r\n599\r\n"));

        // A home folder nobody can write into: opening the log is an error.
        qputenv("HOME", home.write(QStringLiteral("plain.txt"), "x").toLocal8Bit());
        bool failed = false;
        try {
            traceLog::open();
        } catch (const KvilmarError& e) {
            failed = e.text().contains(QStringLiteral("kvilmarerror.log"));
        }
        qputenv("HOME", oldHome);
        QVERIFY(failed);
        QVERIFY(!traceLog::isOpen());
    }
};

KV_TEST_MAIN(OptionsWindowTest)
#include "OptionsWindowTest.moc"
