// «Запуск в автоматическом режиме» in the start window: enabled as the user
// types the file names, and pressed, one document filled through a real
// headless LibreOffice and saved, without the main window.
#include "app/UnitVelStart.h"
#include "common/Codec1251.h"
#include "general/IdentifierList.h"
#include "general/ListFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"
#include "support/TestOffice.h"
#include "support/UserInput.h"

#include "filling/office/connection/LibreOfficeLoad.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QUrl>

namespace {

IdentifierRecord record(const char* identifier, const char* replacement)
{
    return {QString::fromUtf8(identifier), QString::fromUtf8(replacement), {}, true};
}

// A saved PDF's text, or a saved workbook's cell A1.
QString readBack(const QString& file)
{
    if (file.endsWith(QLatin1String(".pdf"))) {
        QProcess pdftotext;
        pdftotext.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
        pdftotext.waitForFinished(60000);
        return QString::fromUtf8(pdftotext.readAllStandardOutput()).simplified();
    }
    const auto document = office::lo::loadAsNewDocument(file);
    const QString text = TestOffice::cellText(document, 1, QStringLiteral("A1"));
    TestOffice::close(document);
    return text;
}

} // namespace

class StartAutomaticTest : public QObject {
    Q_OBJECT

    TestOffice office_;
    // The desktop's applications and their file types: none but a test's.
    TempFolder desktop_{false};
    std::unique_ptr<TempFolder> folder_;
    std::unique_ptr<ScriptedDialogs> dialogs_;
    QList<QUrl> opened_;

public slots:
    // Stands in for the system's viewer.
    void open(const QUrl& url) { opened_ << url; }

private slots:
    void initTestCase()
    {
        QVERIFY(office_.start());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        for (const char* name : {"XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            qputenv(name, desktop_.path().toUtf8());
        QFile::link(QStringLiteral("/usr/share/mime"), desktop_.file("mime"));   // the file types themselves
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void init()
    {
        folder_ = std::make_unique<TempFolder>();
        dialogs_ = std::make_unique<ScriptedDialogs>();
        opened_.clear();
        identifierList().clearAll();
        FormVelStart = new TFormVelStart;
        FormVelStart->ShowWorkingSize();
        QVERIFY(QTest::qWaitForWindowActive(FormVelStart));
    }

    void cleanup()
    {
        KV_VERIFY_DIALOGS(*dialogs_);
        delete FormVelStart;
        FormVelStart = nullptr;
        dialogs_.reset();
        folder_.reset();
    }

    void cleanupTestCase() { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    void enabledAsTheNamesAreTyped_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("templateName");
        QTest::addColumn<bool>("ownReplacementFile");
        QTest::addColumn<QString>("replacements");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("nothing named") << "" << "" << false << "" << false;
        QTest::newRow("only the list") << "список.fdp" << "" << false << "" << false;
        QTest::newRow("only the template") << "" << "шаблон.odt" << false << "" << false;
        QTest::newRow("list and template") << "список.fdp" << "шаблон.odt" << false << "" << true;
        QTest::newRow("replacement list file chosen, not named")
            << "список.fdp" << "шаблон.odt" << true << "" << false;
        QTest::newRow("replacement list file named") << "список.fdp" << "шаблон.odt" << true << "замены.txt" << true;
    }
    void enabledAsTheNamesAreTyped()
    {
        QFETCH(QString, list);
        QFETCH(QString, templateName);
        QFETCH(bool, ownReplacementFile);
        QFETCH(QString, replacements);
        QFETCH(bool, enabled);
        TFormVelStart& form = *FormVelStart;
        if (!list.isEmpty())
            QVERIFY(userInput::typeInto(form.ComboBoxEditStartIDfile, list));
        if (!templateName.isEmpty())
            QVERIFY(userInput::typeInto(form.ComboBoxDotName, templateName));
        if (ownReplacementFile) {
            QVERIFY(userInput::tabTo(form.CheckBoxStartFile));
            userInput::press(Qt::Key_Space);
            QVERIFY(!form.CheckBoxStartFile->isChecked());
        }
        if (!replacements.isEmpty())
            QVERIFY(userInput::typeInto(form.ComboBoxStartTxtfile, replacements));
        QCOMPARE(form.ButtonStartConsole->isEnabled(), enabled);
        if (!enabled)
            return;
        // Erasing the template's name disables it again.
        QVERIFY(userInput::clickInto(form.ComboBoxDotName));
        userInput::press(Qt::Key_End);
        for (qsizetype i = 0; i < templateName.size(); ++i)
            userInput::press(Qt::Key_Backspace);
        QVERIFY(!form.ButtonStartConsole->isEnabled());
    }

    void fillsOneDocumentWithoutTheMainWindow_data()
    {
        QTest::addColumn<bool>("workbook");
        QTest::addColumn<bool>("ownReplacementFile");
        QTest::addColumn<QString>("chosen");   // in the save dialog
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("replaceIt");
        QTest::addColumn<QString>("saved");    // empty: nothing saved
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("viewer");      // the desktop names a program for the saved file
        QTest::newRow("text to PDF, the list's replacements")
            << false << false << "итог" << false << false << "итог.pdf" << "Договор с Ивановым. Город: Москва" << true;
        QTest::newRow("text to PDF, no viewer")
            << false << false << "итог" << false << false << "итог.pdf" << "Договор с Ивановым. Город: Москва" << false;
        QTest::newRow("workbook over an existing file, a replacement list file")
            << true << true << "итог.xlsx" << true << true << "итог.xlsx" << "Петровым" << true;
        QTest::newRow("existing file kept") << false << false << "итог.pdf" << true << false << "" << "" << true;
    }
    void fillsOneDocumentWithoutTheMainWindow()
    {
        QFETCH(bool, workbook);
        QFETCH(bool, ownReplacementFile);
        QFETCH(QString, chosen);
        QFETCH(bool, exists);
        QFETCH(bool, replaceIt);
        QFETCH(QString, saved);
        QFETCH(QString, text);
        QFETCH(bool, viewer);
        QDir(desktop_.path()).mkpath("applications");
        desktop_.write("applications/viewer.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\n");
        desktop_.write("mimeapps.list", viewer ? "[Default Applications]\napplication/pdf=viewer.desktop\napplication/"
                                                 "vnd.openxmlformats-officedocument.spreadsheetml.sheet=viewer.desktop\n" : "");
        const QString templateName = folder_->file(workbook ? "счёт.xls" : "договор.odt");
        if (workbook)
            TestOffice::writeWorkbook(templateName, {{{"A1", "[ФИО]"}}});
        else
            TestOffice::writeTextDocument(templateName, "writer8", {{"Договор с [ФИО]. Город: [Город]"}, {}, {}, {}});
        const QString list = folder_->file("список.fdp");
        QVERIFY(listFile::writeListFile(
            list, {record("[ФИО]", "Ивановым"), record("[Город]", "Москва"), record("[Нет]", "")}, true));
        folder_->write("замены.txt", cp1251::fromUnicode("Петровым\r\nТверь\r\n"));
        const QString output = folder_->file(saved.isEmpty() ? chosen : saved);
        if (exists)
            folder_->write(QFileInfo(output).fileName(), "old");

        TFormVelStart& form = *FormVelStart;
        form.ComboBoxEditStartIDfile->setEditText(list);
        form.ComboBoxDotName->setEditText(templateName);
        form.CheckBoxStartFile->setChecked(!ownReplacementFile);
        form.ComboBoxStartTxtfile->setEditText(folder_->file("замены.txt"));
        dialogs_->answerFile(folder_->file(chosen));
        if (exists)
            dialogs_->answer(replaceIt ? MessageAnswer::Yes : MessageAnswer::No);
        if (!saved.isEmpty())
            dialogs_->answer(MessageAnswer::Ok);
        QVERIFY(form.ButtonStartConsole->isEnabled());
        form.ButtonStartConsole->click();

        // The save dialog offers PDF first, and only what the template can be saved as.
        const QString filter = dialogs_->fileFilters().constFirst();
        QVERIFY2(filter.startsWith(QStringLiteral("Документ PDF (*.pdf)|*.pdf|")), qPrintable(filter));
        QCOMPARE(filter.contains("*.xlsx"), workbook);
        QCOMPARE(filter.contains("*.docx"), !workbook);
        QCOMPARE(identifierList().count(), 0);   // the program's own list is untouched
        QCOMPARE(TestOffice::openDocuments(), 0);
        QVERIFY(form.isVisible());
        if (saved.isEmpty()) {
            QCOMPARE(folder_->read(QFileInfo(output).fileName()), QByteArray("old"));
            QVERIFY(opened_.isEmpty());
            return;
        }
        const auto boxes = dialogs_->shown();
        const auto& done = boxes.constLast();
        QCOMPARE(done.kind, MessageKind::Information);
        QVERIFY2(done.text.startsWith(QStringLiteral("Работа закончена!\nЗатраченное время: ")), qPrintable(done.text));
        QVERIFY2(done.text.contains(QStringLiteral("\n\nНет в шаблоне: ")) && done.text.contains(QStringLiteral("«[Нет]»")),
                 qPrintable(done.text));
        QVERIFY2(done.text.endsWith(QStringLiteral("\n\nДокумент сохранен в файле \"%1\".").arg(output)
                                    + (viewer ? "" : "\nПрограмма для просмотра файлов PDF в системе не назначена: откройте его сами.")),
                 qPrintable(done.text));
        QVERIFY2(readBack(output).contains(text), qPrintable(readBack(output)));
        QCOMPARE(opened_, QList<QUrl>{QUrl::fromLocalFile(output)});
    }
};

KV_TEST_MAIN(StartAutomaticTest)
#include "StartAutomaticTest.moc"
