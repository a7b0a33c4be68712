#include "app/ProgramStart.h"
#include "app/UnitVelStart.h"
#include "common/Codec1251.h"
#include "general/IdentifierList.h"
#include "general/ListFile.h"
#include "general/windows/UnitVelGeneral.h"
#include "settings/SettingsFiles.h"
#include "settings/windows/UnitVelOptions.h"
#include "support/TestMain.h"
#include "support/UserInput.h"
#include "support/WindowTest.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTimer>

#include <utility>

namespace {

IdentifierRecord rec(const char* id, const char* replacement, const char* comment = "")
{
    IdentifierRecord r;
    r.identifier = id;
    r.replacement = replacement;
    r.comment = comment;
    return r;
}

QStringList replacements()
{
    QStringList texts;
    for (int i = 0; i < identifierList().count(); ++i)
        texts << identifierList().record(i).replacement;
    return texts;
}

QStringList items(QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

// What the main window showed while it was open.
struct Visit {
    bool shown = false;
    bool startVisible = true;
    int count = -1;
    QString templateName;
    bool saveEnabled = false;
    QString countText;
    QStringList replacements;
};

const QString kCannotOpen = QStringLiteral("Невозможно открыть файл!\nФайл используется другим приложением или поврежден");

} // namespace

class StartWindowTest : public WindowTest {
    Q_OBJECT

    Visit visit_;
    QTimer closer_;
    bool ended_ = false;   // the program's start said its work is over

    void makeWindows() override
    {
        make(FormVelStart);
        make(FormVelGeneral);
        FormVelStart->AddRememberedFiles(FormVelGeneral->remembered());
        make(FormVelOptions);
    }

    void prepare() override { visit_ = Visit{}; }

    // Starts as the program does with this command line: the start window
    // is made only when it shows.
    void start(const QStringList& parameters)
    {
        delete std::exchange(FormVelStart, nullptr);
        ProgramStart program(parameters);
        closer_.start();
        program.begin();
        closer_.stop();
        ended_ = program.ended();
    }

    void pressNormalMode()
    {
        closer_.start();
        FormVelStart->ButtonStartApl->click();
        closer_.stop();
    }

    QString writeList(const QString& name, const QList<IdentifierRecord>& records)
    {
        listFile::writeListFile(folder_->file(name), records, true);
        return folder_->file(name);
    }

public:
    StartWindowTest()
    {
        closer_.setSingleShot(true);
        closer_.setInterval(0);
        // Looks at the main window while it is open modally, then closes it.
        connect(&closer_, &QTimer::timeout, this, [this] {
            visit_.shown = FormVelGeneral->isVisible();
            visit_.startVisible = FormVelStart && FormVelStart->isVisible();
            visit_.count = identifierList().count();
            visit_.templateName = FormVelGeneral->EditFile->currentText();
            visit_.saveEnabled = FormVelGeneral->NSave->isEnabled();
            visit_.countText = FormVelGeneral->countText();
            visit_.replacements = replacements();
            FormVelGeneral->close();
        });
    }

private slots:
    void designedState()
    {
        QCOMPARE(FormVelStart->windowTitle(), QStringLiteral("Выбор файлов"));
        QVERIFY(FormVelStart->CheckBoxStartFile->isChecked());
        QVERIFY(!FormVelStart->ComboBoxStartTxtfile->isEnabled());
        QVERIFY(!FormVelStart->ButtonStartTxtfileSearch->isEnabled());
        QVERIFY(!FormVelStart->ButtonStartConsole->isEnabled());
        QVERIFY(FormVelStart->ButtonStartApl->isEnabled());
        QVERIFY(!FormVelStart->isVisible());
    }

    void noParametersAndOptionOffGoStraightToTheMainWindow()
    {
        start({});
        QVERIFY(visit_.shown);
        QVERIFY(!visit_.startVisible);
        QCOMPARE(visit_.count, 0);
        QCOMPARE(visit_.templateName, QString());
        QVERIFY(!visit_.saveEnabled);
        QCOMPARE(visit_.countText, QStringLiteral("Всего полей: 0"));
        QVERIFY(ended_);
        QVERIFY(!FormVelStart);
    }

    void noParametersAndOptionOnShowTheStartWindow()
    {
        const QString list = writeList(QStringLiteral("last.fdp"), {rec("a", "b")});
        const QString templ = folder_->write(QStringLiteral("last.doc"), "x");
        LastFiles{list, templ}.write(LastFiles::defaultFileName());
        settingsFiles::writeSwitches(settingsFiles::switchFileName(), true, false);
        remakeWindows();
        start({});
        QVERIFY(!visit_.shown);
        QVERIFY(FormVelStart->isVisible());
        QVERIFY(!ended_);
        QCOMPARE(FormVelStart->ComboBoxEditStartIDfile->currentText(), QString());
        QCOMPARE(FormVelStart->ComboBoxDotName->currentText(), QString());
        QCOMPARE(items(FormVelStart->ComboBoxEditStartIDfile), QStringList{list});
        QCOMPARE(items(FormVelStart->ComboBoxStartTxtfile), QStringList{list});
        QCOMPARE(items(FormVelStart->ComboBoxDotName), QStringList{templ});
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("parameters");   // "@" stands for the temp folder
        QTest::addColumn<QString>("message");           // also with "@"
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<bool>("startShown");
        QTest::newRow("-s both exist") << QStringList{"-s", "@T.doc", "@I.fdp"} << "" << false << true;
        QTest::newRow("-S is -s") << QStringList{"-S", "@T.doc", "@I.fdp"} << "" << false << true;
        QTest::newRow("missing template, Yes")
            << QStringList{"-s", "@t.doc", "@i.fdp"}
            << "Не найден файл шаблона документа\n'@t.doc'\nОткрыть окно выбора файлов?" << true << true;
        QTest::newRow("missing template, Cancel")
            << QStringList{"-s", "@t.doc"}
            << "Не найден файл шаблона документа\n'@t.doc'\nОткрыть окно выбора файлов?" << false << false;
        QTest::newRow("missing list")
            << QStringList{"-s", "@T.doc", "@i.fdp"}
            << "Не найден файл списка идентификаторов\n'@i.fdp'\nОткрыть окно выбора файлов?" << true << true;
        QTest::newRow("missing replacements")
            << QStringList{"-s", "@T.doc", "@I.fdp", "@r.txt"}
            << "Не найден файл списка замен\n'@r.txt'\nОткрыть окно выбора файлов?" << true << true;
        QTest::newRow("folder as template")
            << QStringList{"-s", "@D"}
            << "Нельзя открыть файл шаблона документа\n'@D'\nПричина: это папка.\nОткрыть окно выбора файлов?" << true << true;
        QTest::newRow("/s, Yes")
            << QStringList{"/s"} << "Указан неверный параметр командной строки /s\nОткрыть окно выбора файлов?" << true << true;
        QTest::newRow("missing list file")
            << QStringList{"@m.fdp"} << "Указан неверный параметр командной строки @m.fdp\nОткрыть окно выбора файлов?" << false << false;
        QTest::newRow("folder as list file")
            << QStringList{"@D"} << "Указан неверный параметр командной строки @D\nПричина: это папка.\n"
                                    "Открыть окно выбора файлов?" << true << true;
        QTest::newRow("pipe as list file")
            << QStringList{"@P"} << "Указан неверный параметр командной строки @P\nПричина: это именованный канал, а не "
                                    "обычный файл.\nОткрыть окно выбора файлов?" << false << false;
        QTest::newRow("-x, Cancel")
            << QStringList{"-x", "@T.doc"} << "Указан неверный параметр командной строки -x\nОткрыть окно выбора файлов?" << false << false;
    }

    void commandLine()
    {
        QFETCH(QStringList, parameters);
        QFETCH(QString, message);
        QFETCH(bool, answerYes);
        QFETCH(bool, startShown);
        folder_->write(QStringLiteral("T.doc"), "x");
        writeList(QStringLiteral("I.fdp"), {rec("a", "b")});
        QDir(folder_->path()).mkdir(QStringLiteral("D"));
        folder_->make(QStringLiteral("P"), "fifo");
        const QString at = folder_->path();
        parameters.replaceInStrings(QStringLiteral("@"), at);
        message.replace(QStringLiteral("@"), at);
        if (!message.isEmpty())
            dialogs_->answer(answerYes ? MessageAnswer::Yes : MessageAnswer::Cancel);

        start(parameters);
        if (message.isEmpty()) {
            QVERIFY(dialogs_->shown().isEmpty());
        } else {
            QCOMPARE(dialogs_->shownTexts(), QStringList{message});
            QCOMPARE(dialogs_->shown()[0].kind, MessageKind::Error);
            QCOMPARE(dialogs_->shown()[0].buttons, MessageButtons::YesCancel);
        }
        QVERIFY(!visit_.shown);
        QCOMPARE(FormVelStart != nullptr, startShown);
        QCOMPARE(ended_, !startShown);
        if (!startShown)
            return;
        QVERIFY(FormVelStart->isVisible());
        // The automatic button follows its rule from the first showing:
        // both files named, and the replacements' file unless the list's
        // own texts are used.
        const TFormVelStart& f = *FormVelStart;
        QCOMPARE(f.ButtonStartConsole->isEnabled(),
                 !f.ComboBoxEditStartIDfile->currentText().isEmpty() && !f.ComboBoxDotName->currentText().isEmpty()
                     && (f.CheckBoxStartFile->isChecked() || !f.ComboBoxStartTxtfile->currentText().isEmpty()));
    }

    // "kvilmar LIST" (a list opened from the file manager): the main window
    // opens with it, loaded as the remembered list is, whatever the option.
    void listFileOpensInTheMainWindow_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("optionOn");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("message");   // "@" stands for the file's full path
        QTest::newRow("list file") << "l.fdp" << QByteArray("2\r\n19\r\na\r\n\r\n1\r\nb\r\n\r\n2\r\n") << false << 2 << "";
        QTest::newRow("start window offered") << "l.fdp" << QByteArray("1\r\n19\r\na\r\n\r\n1\r\n") << true << 1 << "";
        QTest::newRow("plain identifier file") << "ids.txt" << QByteArray("a\r\n\r\nb\r\nc\r\n") << false << 3 << "";
        QTest::newRow("damaged list")
            << "bad.fdp" << QByteArray("52\r\n19\r\n") << false << 0
            << "Невозможно открыть файл @\nФайл используется другим приложением или поврежден";
    }

    void listFileOpensInTheMainWindow()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, optionOn);
        QFETCH(int, count);
        QFETCH(QString, message);
        const QString path = folder_->write(name, content);
        if (optionOn) {
            settingsFiles::writeSwitches(settingsFiles::switchFileName(), true, false);
            remakeWindows();
        }
        if (!message.isEmpty())
            dialogs_->answer(MessageAnswer::Ok);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(folder_->path());
        start({name});   // as typed in the folder: remembered with its full path
        QDir::setCurrent(previous);

        QCOMPARE(dialogs_->shownTexts(), message.isEmpty() ? QStringList{} : QStringList{message.replace(QLatin1Char('@'), path)});
        QVERIFY(visit_.shown);
        QVERIFY(!visit_.startVisible);
        QCOMPARE(visit_.count, count);
        QCOMPARE(visit_.saveEnabled, count > 0);
        QCOMPARE(visit_.countText, QStringLiteral("Всего полей: %1").arg(count));
        QCOMPARE(identifierList().fileName(), message.isEmpty() ? path : QString());   // a failed open names nothing
        QVERIFY(!identifierList().isChanged());
        QVERIFY(ended_);
        QVERIFY(!FormVelStart);
    }

    void selectSwitchFillsTheBoxes()
    {
        const QString templ = folder_->write(QStringLiteral("T.doc"), "x");
        const QString list = writeList(QStringLiteral("I.fdp"), {rec("a", "b")});
        const QString texts = folder_->write(QStringLiteral("R.txt"), "x\r\n");
        start({QStringLiteral("-s"), templ, list});
        QCOMPARE(FormVelStart->ComboBoxDotName->currentText(), templ);
        QCOMPARE(FormVelStart->ComboBoxEditStartIDfile->currentText(), list);
        QVERIFY(FormVelStart->CheckBoxStartFile->isChecked());
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), list);
        QVERIFY(!FormVelStart->ComboBoxStartTxtfile->isEnabled());

        remakeWindows();
        start({QStringLiteral("-s"), templ, list, texts});
        QVERIFY(!FormVelStart->CheckBoxStartFile->isChecked());
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), texts);
        QVERIFY(FormVelStart->ComboBoxStartTxtfile->isEnabled());
        QVERIFY(FormVelStart->ButtonStartTxtfileSearch->isEnabled());
    }

    void iniSwitch_data()
    {
        QTest::addColumn<QString>("parameter");
        QTest::addColumn<bool>("iniExists");
        QTest::newRow("-i without ini") << "-i" << false;
        QTest::newRow("-I without ini") << "-I" << false;
        QTest::newRow("-i with ini") << "-i" << true;
    }

    void iniSwitch()
    {
        QFETCH(QString, parameter);
        QFETCH(bool, iniExists);
        if (iniExists)
            folder_->write(QStringLiteral("kvilmar.ini"), "");
        else
            dialogs_->answer(MessageAnswer::Ok);
        start({parameter});
        QVERIFY(!visit_.shown);
        QVERIFY(ended_);
        QVERIFY(!FormVelStart);
        if (iniExists) {
            QVERIFY(dialogs_->shown().isEmpty());
        } else {
            QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Файл 'kvilmar.ini' не найден!")});
            QCOMPARE(dialogs_->shown()[0].kind, MessageKind::Error);
            QCOMPARE(dialogs_->shown()[0].buttons, MessageButtons::Ok);
        }
    }

    void normalModeLoadsTheList_data()
    {
        QTest::addColumn<QString>("listName");
        QTest::addColumn<bool>("useListReplacements");
        QTest::addColumn<QString>("replacementFile");   // "" none, "missing", or the file's content
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("list replacements") << "l.fdp" << true << "" << QStringList{"1", "2", "3"};
        QTest::newRow("list without replacements") << "l.fdp" << false << "" << QStringList{"", "", ""};
        QTest::newRow("shorter replacement file") << "l.fdp" << false << "x\r\ny\r\n" << QStringList{"x", "y", ""};
        QTest::newRow("longer replacement file") << "l.fdp" << false << "x\r\ny\r\nz\r\nw\r\n" << QStringList{"x", "y", "z"};
        QTest::newRow("missing replacement file") << "l.fdp" << false << "missing" << QStringList{"", "", ""};
        QTest::newRow("capital FDP is plain") << "l.FDP" << true << "" << QStringList(8, QString());   // 3, 19, a, 1, b, 2, c, 3
    }

    void normalModeLoadsTheList()
    {
        QFETCH(QString, listName);
        QFETCH(bool, useListReplacements);
        QFETCH(QString, replacementFile);
        QFETCH(QStringList, expected);
        const QString list = writeList(listName, {rec("a", "1"), rec("b", "2"), rec("c", "3")});
        const QString templ = folder_->write(QStringLiteral("t.doc"), "x");
        FormVelStart->ShowWorkingSize();
        FormVelStart->ComboBoxEditStartIDfile->setEditText(list);
        FormVelStart->ComboBoxDotName->setEditText(templ);
        FormVelStart->CheckBoxStartFile->setChecked(useListReplacements);
        if (!replacementFile.isEmpty()) {
            FormVelStart->ComboBoxStartTxtfile->setEditText(
                replacementFile == QLatin1String("missing") ? folder_->file(QStringLiteral("none.txt"))
                                                            : folder_->write(QStringLiteral("r.txt"), replacementFile.toLatin1()));
        }
        pressNormalMode();
        QVERIFY(dialogs_->shown().isEmpty());
        QVERIFY(visit_.shown);
        QVERIFY(!visit_.startVisible);
        QCOMPARE(visit_.count, expected.size());
        QCOMPARE(visit_.replacements, expected);
        QCOMPARE(visit_.templateName, templ);
        QVERIFY(visit_.saveEnabled);
        QCOMPARE(visit_.countText, QStringLiteral("Всего полей: %1").arg(expected.size()));
        QCOMPARE(identifierList().fileName(), list);
        QVERIFY(FormVelStart->ended());
    }

    void normalModeWithoutAListOpensAnEmptyMainWindow()
    {
        FormVelStart->ShowWorkingSize();
        pressNormalMode();
        QVERIFY(visit_.shown);
        QCOMPARE(visit_.count, 0);
        QVERIFY(!visit_.saveEnabled);
    }

    void normalModeFailuresKeepTheStartWindow_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "missing" << "Файл идентификаторов с указанным именем не существует!";
        QTest::newRow("folder") << "folder" << "Файл идентификаторов с указанным именем не существует!";
        QTest::newRow("count not a number") << "damaged" << kCannotOpen;
        QTest::newRow("count 0") << "empty" << kCannotOpen;
        QTest::newRow("too large") << "2000000" << kCannotOpen + "\nПричина: файл слишком велик (больше 1 МБ).";
    }

    void normalModeFailuresKeepTheStartWindow()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString name = folder_->file(QStringLiteral("x.fdp"));
        if (kind == QLatin1String("folder"))
            QDir(folder_->path()).mkdir(QStringLiteral("x.fdp"));
        else if (kind == QLatin1String("damaged"))
            folder_->write(QStringLiteral("x.fdp"), "abc\r\n19\r\n");
        else if (kind == QLatin1String("empty"))
            folder_->write(QStringLiteral("x.fdp"), "0\r\n19\r\n");
        else if (kind.toInt() > 0)
            folder_->make(QStringLiteral("x.fdp"), kind.toLatin1());
        identifierList().setFileName(QStringLiteral("before.fdp"));
        FormVelStart->ShowWorkingSize();
        FormVelStart->ComboBoxEditStartIDfile->setEditText(name);
        dialogs_->answer(MessageAnswer::Ok);
        pressNormalMode();
        QCOMPARE(dialogs_->shownTexts(), QStringList{message});
        QCOMPARE(dialogs_->shown()[0].kind, MessageKind::Error);
        QVERIFY(!visit_.shown);
        QVERIFY(FormVelStart->isVisible());
        QVERIFY(!FormVelStart->ended());
        QCOMPARE(identifierList().fileName(), QStringLiteral("before.fdp"));
    }

    void checkBoxMovesTheReplacementBox()
    {
        FormVelStart->ComboBoxEditStartIDfile->setEditText(QStringLiteral("a.fdp"));
        FormVelStart->CheckBoxStartFile->setChecked(false);
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), QString());
        QVERIFY(FormVelStart->ComboBoxStartTxtfile->isEnabled());
        QVERIFY(FormVelStart->ButtonStartTxtfileSearch->isEnabled());
        FormVelStart->ComboBoxStartTxtfile->setEditText(QStringLiteral("r.txt"));
        FormVelStart->CheckBoxStartFile->setChecked(true);
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), QStringLiteral("a.fdp"));
        QVERIFY(!FormVelStart->ComboBoxStartTxtfile->isEnabled());
        QVERIFY(!FormVelStart->ButtonStartTxtfileSearch->isEnabled());
    }

    void browseButtons()
    {
        dialogs_->answerFile(QStringLiteral("/x/list.fdp"));
        FormVelStart->ButtonStartIDfileSearch->click();
        QCOMPARE(FormVelStart->ComboBoxEditStartIDfile->currentText(), QStringLiteral("/x/list.fdp"));
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), QStringLiteral("/x/list.fdp"));

        dialogs_->answerFile(QStringLiteral("/x/doc.rtf"));
        FormVelStart->ButtonStartDotFileSearch->click();
        QCOMPARE(FormVelStart->ComboBoxDotName->currentText(), QStringLiteral("/x/doc.rtf"));

        FormVelStart->CheckBoxStartFile->setChecked(false);
        dialogs_->answerFile(QStringLiteral("/x/texts.txt"));
        FormVelStart->ButtonStartTxtfileSearch->click();
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), QStringLiteral("/x/texts.txt"));

        // A cancelled dialog keeps the names.
        dialogs_->answerFile(QString());
        FormVelStart->ButtonStartIDfileSearch->click();
        QCOMPARE(FormVelStart->ComboBoxEditStartIDfile->currentText(), QStringLiteral("/x/list.fdp"));
        QCOMPARE(FormVelStart->ComboBoxStartTxtfile->currentText(), QStringLiteral("/x/texts.txt"));

        QCOMPARE(dialogs_->fileFilters(), (QStringList{
            QStringLiteral("Список идентификаторов *.fdp|*.fdp|Все файлы *.*|*.*"),
            QStringLiteral("Все файлы|*.*|Все шаблоны|*.doc *.docx *.odt *.rtf *.txt *.xls *.xlsx *.ods|*.doc|*.doc|"
                           "*.docx|*.docx|*.odt|*.odt|*.rtf|*.rtf|*.txt|*.txt|*.xls|*.xls|*.xlsx|*.xlsx|*.ods|*.ods"),
            QStringLiteral("Все файлы|*.*"),
            QStringLiteral("Список идентификаторов *.fdp|*.fdp|Все файлы *.*|*.*")}));
    }

    void cancelAsksFirst()
    {
        FormVelStart->ShowWorkingSize();
        dialogs_->answer(MessageAnswer::No);
        FormVelStart->BitBtnStartCancel->click();
        QVERIFY(FormVelStart->isVisible());
        QVERIFY(!FormVelStart->ended());
        dialogs_->answer(MessageAnswer::Yes);
        QVERIFY(userInput::clickInto(FormVelStart->ComboBoxDotName));
        userInput::press(Qt::Key_Escape);
        QVERIFY(FormVelStart->ended());
        QVERIFY(!FormVelStart->isVisible());
        QCOMPARE(dialogs_->shownTexts(), (QStringList{
            QStringLiteral("Вы действительно хотите прервать выполнение программы?"),
            QStringLiteral("Вы действительно хотите прервать выполнение программы?")}));
        QCOMPARE(dialogs_->shown()[0].buttons, MessageButtons::YesNo);
    }
};

KV_TEST_MAIN(StartWindowTest)
#include "StartWindowTest.moc"
