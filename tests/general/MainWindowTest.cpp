#include "amounts/windows/UnitVelCommands.h"
#include "common/Codec1251.h"
#include "general/IdentifierList.h"
#include "general/ListFile.h"
#include "general/windows/UnitVelGeneral.h"
#include "general/windows/UnitVelSaveSelect.h"
#include "filling/windows/UnitVelExcelSelect.h"
#include "settings/OptionSwitches.h"
#include "settings/SettingsFiles.h"
#include "settings/windows/UnitVelOptions.h"
#include "settings/windows/UnitVelAbout.h"
#include "support/TestMain.h"
#include "support/UserInput.h"
#include "support/WindowTest.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>

namespace {

QByteArray w(const QString& text)
{
    return cp1251::fromUnicode(text);
}

QString line(int i)
{
    return FormVelGeneral->ListBoxGeneral->item(i)->text();
}

} // namespace

class MainWindowTest : public WindowTest {
    Q_OBJECT

    void makeWindows() override
    {
        make(FormSaveSelect);
        make(FormVelAbout);
        make(FormVelGeneral);
    }

    void prepare() override { showWindow(); }

    // A new main window over the present program folder, as at start-up.
    void startWindow()
    {
        delete FormVelGeneral;
        make(FormVelGeneral);
        showWindow();
    }

    void showWindow()
    {
        FormVelGeneral->show();
        FormVelGeneral->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(FormVelGeneral));
    }

    void add(const QString& id, const QString& text = {}, const QString& comment = {})
    {
        QVERIFY(userInput::typeOver(FormVelGeneral->ComboBoxField, id));
        FormVelGeneral->ComboBoxText->setEditText(text);
        FormVelGeneral->EditComment->setText(comment);
        FormVelGeneral->ButtonInsert->click();
    }

    void clickLine(int i)
    {
        QListWidget* box = FormVelGeneral->ListBoxGeneral;
        QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(i)).center());
    }

    void doubleClickLine(int i)
    {
        clickLine(i);
        QListWidget* box = FormVelGeneral->ListBoxGeneral;
        QTest::mouseDClick(box->viewport(), Qt::LeftButton, {}, box->visualItemRect(box->item(i)).center());
    }

    // Saves through the save command, choosing in the save-choice window.
    void save(const QString& name, bool withTexts)
    {
        (withTexts ? FormSaveSelect->RadioButtonSaveSelect2 : FormSaveSelect->RadioButtonOnlyID)->setChecked(true);
        QTimer::singleShot(0, FormSaveSelect->ButtonSaveSelectOK, &QPushButton::click);
        dialogs_->answerFile(name);
        FormVelGeneral->NSave->trigger();
    }

    QStringList identifiers() const
    {
        QStringList ids;
        for (const IdentifierRecord& r : identifierList().records())
            ids << r.identifier;
        return ids;
    }

private slots:

    void startsEmpty()
    {
        QCOMPARE(FormVelGeneral->countText(), QStringLiteral("Всего полей: 0"));
        QVERIFY(!FormVelGeneral->NSave->isEnabled());
        QVERIFY(!FormVelGeneral->NFileName1->isVisible());
        QVERIFY(!FormVelGeneral->ButtonInsert->isEnabled());
        QCOMPARE(FormVelGeneral->EditFile->count(), 0);
    }

    void opensWithFocusOnFirstControl()
    {
        QCOMPARE(QApplication::focusWidget(), FormVelGeneral->ButtonSelectFile);
    }

    // Typing an identifier into an empty list's box enables "Добавить";
    // erasing it disables the button again.
    void typingEnablesAdd()
    {
        QVERIFY(userInput::typeInto(FormVelGeneral->ComboBoxField, QStringLiteral("[ФИО]")));
        QVERIFY(FormVelGeneral->ButtonInsert->isEnabled());
        for (int i = 0; i < 5; ++i)
            userInput::press(Qt::Key_Backspace);
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QString());
        QVERIFY(!FormVelGeneral->ButtonInsert->isEnabled());
        userInput::type("x Łukasz Әлиева м²");
        FormVelGeneral->ButtonInsert->click();
        QCOMPARE(identifiers(), QStringList{"x Łukasz Әлиева м²"});
    }

    // Typing stops at 255 characters; a paste is cut to the room left, and
    // text set by the program is kept whole.
    void typedAndPastedTextIsCut()
    {
        QVERIFY(userInput::typeInto(FormVelGeneral->ComboBoxField, QString(250, QLatin1Char('a'))));
        QApplication::clipboard()->setText(QStringLiteral("0123456789"));
        userInput::press(Qt::CTRL | Qt::Key_V);
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QString(250, QLatin1Char('a')) + "01234");
        userInput::type("z");
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText().size(), 255);
        FormVelGeneral->ComboBoxText->setEditText(QString(300, QLatin1Char('b')));
        QCOMPARE(FormVelGeneral->ComboBoxText->currentText().size(), 300);
    }

    // The menu's shortcuts work whichever control has the focus; Ctrl+A
    // opens the about window, except in a text box, where it selects all.
    void menuShortcutsFromEveryControl_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QKeyCombination>("key");
        for (const char* control : {"EditFile", "ButtonSelectFile", "ComboBoxField", "ComboBoxText",
                                    "EditComment", "CheckBoxStatus", "ListBoxGeneral", "ButtonStart"}) {
            QTest::addRow("%s Ctrl+A", control) << control << (Qt::CTRL | Qt::Key_A);
            QTest::addRow("%s Ctrl+L", control) << control << (Qt::CTRL | Qt::Key_L);
        }
    }
    void menuShortcutsFromEveryControl()
    {
        QFETCH(QString, control);
        QFETCH(QKeyCombination, key);
        auto* widget = FormVelGeneral->findChild<QWidget*>(control);
        QVERIFY(widget);
        // Buttons and boxes get the focus by Tab: a click would act.
        const bool acts = qobject_cast<QAbstractButton*>(widget);
        QVERIFY(acts ? userInput::tabTo(widget) : userInput::clickInto(widget));
        auto* text = qobject_cast<QLineEdit*>(widget) ? qobject_cast<QLineEdit*>(widget) : widget->findChild<QLineEdit*>();
        if (text)
            userInput::type(QStringLiteral("/дом/договор.docx"));
        QWidget* opened = nullptr;
        QTimer closer;   // closes the about window from inside its modal loop
        closer.setSingleShot(true);
        connect(&closer, &QTimer::timeout, this, [&opened] {
            opened = QApplication::activeModalWidget();
            if (opened)
                opened->close();
        });
        if (key.key() == Qt::Key_A)
            closer.start(0);
        else
            dialogs_->answerFile(QString());
        userInput::press(key);
        if (key.key() == Qt::Key_A && text) {   // typing then replaces the whole text
            userInput::type(QStringLiteral("новый"));
            QCOMPARE(text->text(), QStringLiteral("новый"));
            QCOMPARE(opened, nullptr);
        } else if (key.key() == Qt::Key_A)
            QCOMPARE(opened, FormVelAbout);
        else
            QCOMPARE(dialogs_->fileFilters().size(), 1);
    }

    // Where runs of dark pixels start in a strip of the window, left to
    // right; a gap of 20 pixels or more ends a run.
    static QList<int> inkStarts(const QImage& shot, const QRect& strip)
    {
        QList<int> starts;
        int lastInk = -100;
        for (int x = strip.left(); x <= strip.right(); ++x) {
            bool ink = false;
            for (int y = strip.top(); y <= strip.bottom() && !ink; ++y)
                ink = qGray(shot.pixel(x, y)) < 128;
            if (ink) {
                if (x - lastInk >= 20)
                    starts << x;
                lastInk = x;
            }
        }
        return starts;
    }

    // The heads "Исходный текст", "Заменить на" and "Статус" begin where
    // their columns of the list begin, as the user sees them.
    void columnHeadsStandOverTheirColumns()
    {
        add(QStringLiteral("ЖЖЖ"), QStringLiteral("ЖЖЖ"));
        const QImage shot = FormVelGeneral->grab().toImage();
        QWidget* window = FormVelGeneral;
        QRect heads = FormVelGeneral->Label3->geometry().united(FormVelGeneral->LabelStatus->geometry());
        heads.moveTopLeft(FormVelGeneral->Label3->parentWidget()->mapTo(window, heads.topLeft()));
        QListWidget* box = FormVelGeneral->ListBoxGeneral;
        QRect row = box->visualItemRect(box->item(0));
        row.moveTopLeft(box->viewport()->mapTo(window, row.topLeft()));
        const QList<int> headStarts = inkStarts(shot, heads);
        const QList<int> columnStarts = inkStarts(shot, row);
        QCOMPARE(headStarts.size(), 3);
        QCOMPARE(columnStarts.size(), 3);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(qAbs(headStarts[i] - columnStarts[i]) <= 2,
                     qPrintable(QStringLiteral("head %1 at %2, column at %3").arg(i).arg(headStarts[i]).arg(columnStarts[i])));
    }

    // The main window keeps its size, has no maximise box; the save-choice
    // window is never smaller than designed, so its title shows whole.
    void fixedWindowSizes()
    {
        QCOMPARE(FormVelGeneral->minimumSize(), FormVelGeneral->maximumSize());
        QVERIFY(!(FormVelGeneral->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(FormVelGeneral->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(FormSaveSelect->width() >= 353 && FormSaveSelect->height() >= 103);
        QCOMPARE(FormSaveSelect->minimumSize(), FormSaveSelect->maximumSize());
    }

    void addAndReplace()
    {
        add("#FIO#", QStringLiteral("Иванов"), QStringLiteral("фамилия"));
        add("#fio#", "x");   // case differs: a second record
        QCOMPARE(identifiers(), (QStringList{"#FIO#", "#fio#"}));
        QCOMPARE(FormVelGeneral->countText(), QStringLiteral("Всего полей: 2"));
        QVERIFY(FormVelGeneral->NSave->isEnabled());
        QCOMPARE(line(0).size(), 91);
        QVERIFY(line(0).startsWith(QStringLiteral("#FIO#                        Иванов ")));
        QVERIFY(line(0).endsWith(QStringLiteral("вкл. ")));

        dialogs_->answer(MessageAnswer::No);
        add("#FIO#", QStringLiteral("Петров"));
        dialogs_->answer(MessageAnswer::Yes);
        add("#FIO#", QStringLiteral("Сидоров"));
        QCOMPARE(dialogs_->shownTexts(), QStringList(2, QStringLiteral("Поле #FIO# уже существует.\nЗаменить текст на новый?")));
        QCOMPARE(identifierList().record(0).replacement, QStringLiteral("Сидоров"));
        QVERIFY(line(0).contains(QStringLiteral("Сидоров")));
        // Replacement texts that were committed go into the sorted drop-down.
        QCOMPARE(FormVelGeneral->ComboBoxText->findText(QStringLiteral("Сидоров")) >= 0, true);
        QCOMPARE(FormVelGeneral->ComboBoxText->findText(QStringLiteral("Петров")), -1);
    }

    void fiftyFirstIsRefused()
    {
        for (int i = 0; i < 50; ++i)
            add(QStringLiteral("#%1#").arg(i));
        dialogs_->answer(MessageAnswer::Ok);
        add("#new#", QStringLiteral("в список"));
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Достигнуто максимально возможное количество записей - 50")});
        QCOMPARE(dialogs_->shown().first().kind, MessageKind::Information);
        QCOMPARE(identifierList().count(), 50);
        QVERIFY(FormVelGeneral->ComboBoxText->findText(QStringLiteral("в список")) >= 0);
    }

    // Each uncommitted edit is asked about when another line is selected.
    void selectingAnotherLineAsks_data()
    {
        QTest::addColumn<int>("edit");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        const QString tail = QStringLiteral(", но изменения не были внесены в список.\nВнести изменения в список?");
        for (int yes = 0; yes < 2; ++yes) {
            const char* a = yes ? "yes" : "no";
            QTest::addRow("replacement %s", a) << 0 << yes << QStringLiteral("Текст замены идентификатора '#A#' был изменен на 'new'") + tail;
            QTest::addRow("comment %s", a) << 1 << yes << QStringLiteral("Текст комментария к идентификатору '#A#' был изменен") + tail;
            QTest::addRow("status %s", a) << 2 << yes << QStringLiteral("Статус идентификатора '#A#' был изменен на 'ВЫКЛЮЧЕН'") + tail;
        }
        QTest::addRow("identifier only: no question") << 3 << 0 << QString();
    }
    void selectingAnotherLineAsks()
    {
        QFETCH(int, edit);
        QFETCH(int, answer);
        QFETCH(QString, question);
        add("#A#", "old", "c");
        add("#B#", "b");
        clickLine(0);
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QStringLiteral("#A#"));
        QVERIFY(FormVelGeneral->ButtonDelete->isEnabled());
        switch (edit) {
        case 0: FormVelGeneral->ComboBoxText->setEditText("new"); break;
        case 1: FormVelGeneral->EditComment->setText("changed"); break;
        case 2: FormVelGeneral->CheckBoxStatus->setChecked(false); break;
        case 3: FormVelGeneral->ComboBoxField->setEditText("#Z#"); break;
        }
        const IdentifierRecord before = identifierList().record(0);
        if (!question.isEmpty())
            dialogs_->answer(answer ? MessageAnswer::Yes : MessageAnswer::No);
        clickLine(1);
        QCOMPARE(dialogs_->shownTexts(), question.isEmpty() ? QStringList() : QStringList{question});
        const IdentifierRecord after = identifierList().record(0);
        if (!answer) {
            QCOMPARE(after, before);
        } else {
            QCOMPARE(after.replacement, QByteArray(edit == 0 ? "new" : "old"));
            QCOMPARE(after.comment, QByteArray(edit == 1 ? "changed" : "c"));
            QCOMPARE(after.status, edit != 2);
        }
        QCOMPARE(identifierList().current(), 1);
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QStringLiteral("#B#"));
    }

    void doubleClickToggles()
    {
        add("#A#", "a");
        identifierList().markSaved();
        doubleClickLine(0);
        QVERIFY(line(0).endsWith(QStringLiteral("выкл ")));
        QVERIFY(!FormVelGeneral->CheckBoxStatus->isChecked());
        QCOMPARE(FormVelGeneral->CheckBoxStatus->text(), QStringLiteral("Статус (выключен)"));
        QVERIFY(!identifierList().isChanged());
        doubleClickLine(0);
        QVERIFY(line(0).endsWith(QStringLiteral("вкл. ")));
    }

    void deleteAsks()
    {
        add("#A#");
        add("#B#");
        clickLine(0);
        dialogs_->answer(MessageAnswer::No);
        FormVelGeneral->ButtonDelete->click();
        QCOMPARE(identifierList().count(), 2);
        dialogs_->answer(MessageAnswer::Yes);
        FormVelGeneral->ButtonDelete->click();
        QCOMPARE(dialogs_->shownTexts(), QStringList(2, QStringLiteral("Удалить Идентификатор:#A#")));
        QCOMPARE(identifiers(), QStringList{"#B#"});
        QVERIFY(!FormVelGeneral->ButtonDelete->isEnabled());
        QCOMPARE(FormVelGeneral->countText(), QStringLiteral("Всего полей: 1"));

        // The current index now points past the last record: nothing acts.
        clickLine(0);
        dialogs_->answer(MessageAnswer::Yes);
        FormVelGeneral->ButtonDelete->click();
        QCOMPARE(identifierList().count(), 0);
        FormVelGeneral->ButtonDelete->click();
        FormVelGeneral->SpeedButton1->click();
        FormVelGeneral->SpeedButton2->click();
        QVERIFY(!FormVelGeneral->NSave->isEnabled());
    }

    void moveUpAndDown()
    {
        add("#A#");
        add("#B#");
        add("#C#");
        doubleClickLine(2);   // #C# off
        FormVelGeneral->SpeedButton2->click();   // last: nothing
        FormVelGeneral->SpeedButton1->click();
        QCOMPARE(identifiers(), (QStringList{"#A#", "#C#", "#B#"}));
        QCOMPARE(identifierList().current(), 1);
        QCOMPARE(FormVelGeneral->ListBoxGeneral->currentRow(), 1);
        QVERIFY(line(1).endsWith(QStringLiteral("выкл ")));
        FormVelGeneral->SpeedButton1->click();
        FormVelGeneral->SpeedButton1->click();   // first: nothing
        QCOMPARE(identifiers(), (QStringList{"#C#", "#A#", "#B#"}));
        FormVelGeneral->SpeedButton2->click();
        FormVelGeneral->SpeedButton2->click();
        QCOMPARE(identifiers(), (QStringList{"#A#", "#B#", "#C#"}));
        QVERIFY(!identifierList().record(2).status);

        // By keyboard: Ctrl+Down and Ctrl+Up move the record, Space switches it.
        clickLine(0);
        for (const QKeyCombination key : {Qt::CTRL | Qt::Key_Down, Qt::CTRL | Qt::Key_Down, Qt::CTRL | Qt::Key_Down,
                                          Qt::CTRL | Qt::Key_Up, QKeyCombination(Qt::Key_Space)})
            userInput::press(key);
        QCOMPARE(identifiers(), (QStringList{"#B#", "#A#", "#C#"}));
        QVERIFY(line(1).endsWith(QStringLiteral("выкл ")));
        userInput::press(Qt::Key_Down);
        userInput::press(Qt::Key_Space);
        QVERIFY(identifierList().record(2).status);
    }

    // The buttons' access keys differ from one another and from the menu
    // bar's («Файл», «Правка»). Alt+Д adds the typed record.
    void buttonsHaveAccessKeys()
    {
        QSet<QKeySequence> keys{QKeySequence::mnemonic(FormVelGeneral->NFile->title()),
                                QKeySequence::mnemonic(FormVelGeneral->NEdit->title())};
        for (const QPushButton* b : FormVelGeneral->findChildren<QPushButton*>())
            keys << QKeySequence::mnemonic(b->text());
        QCOMPARE(keys.size(), 8);   // none empty, none the same
        QVERIFY(userInput::typeInto(FormVelGeneral->ComboBoxField, "#A#"));
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(0x414), QStringLiteral("д"), Qt::AltModifier);
        QTRY_COMPARE(identifiers(), QStringList{"#A#"});   // after the button's press shows
    }

    void clearCommands()
    {
        add("#A#", "a", "c");
        dialogs_->answer(MessageAnswer::Yes);
        FormVelGeneral->NclearTextList->trigger();
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Вы действительно хотите удалить текст замены из списка?")});
        QCOMPARE(identifierList().record(0).replacement, QByteArray());
        FormVelGeneral->ComboBoxField->setEditText("keep");
        FormVelGeneral->NClearFields->trigger();
        QCOMPARE(identifierList().count(), 0);
        QCOMPARE(FormVelGeneral->ListBoxGeneral->count(), 0);
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QStringLiteral("keep"));
        QVERIFY(!FormVelGeneral->NSave->isEnabled());
        FormVelGeneral->ButtonClear->click();
        QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QString());
        QVERIFY(FormVelGeneral->CheckBoxStatus->isChecked());
    }

    void loadCommand_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("result");
        const QString damaged = QStringLiteral("Невозможно открыть файл %1\nФайл используется другим приложением или поврежден");
        QTest::newRow("list file") << QByteArray("2\r\n19\r\n#X#\r\n\r\nx\r\n#Y#\r\n\r\ny\r\n") << "l.fdp" << QString() << QStringList{"#X#", "#Y#"};
        QTest::newRow("plain file") << QByteArray("#P#\r\n\r\n#Q#") << "ids.txt" << QString() << QStringList{"#P#", "#Q#"};
        QTest::newRow("count 0") << QByteArray("0\r\n19\r\n") << "z.fdp" << damaged << QStringList{"#OLD#"};
        QTest::newRow("count 52") << QByteArray("52\r\n19\r\n") << "z.fdp" << damaged << QStringList{"#OLD#"};
        QTest::newRow("a word") << QByteArray("два\r\n19\r\n") << "z.fdp" << damaged << QStringList{"#OLD#"};
        QTest::newRow("empty") << QByteArray() << "z.fdp" << damaged << QStringList{"#OLD#"};
        QTest::newRow("10000 characters") << ("1\r\n19\r\n" + QByteArray(10000, 'x') + "\r\n\r\n\r\n") << "long.fdp"
                                          << QString() << QStringList{QString(255, 'x')};
        QTest::newRow("missing") << QByteArray() << "" << QStringLiteral("Файл с указанным именем не существует!") << QStringList{"#OLD#"};
        QTest::newRow("folder") << QByteArray() << "." << damaged + "\nПричина: это папка." << QStringList{"#OLD#"};
        QTest::newRow("pipe") << QByteArray("fifo") << "p.fdp" << damaged + "\nПричина: это именованный канал, а не обычный файл."
                              << QStringList{"#OLD#"};
        QTest::newRow("/dev/zero") << QByteArray("zero") << "z.txt" << damaged + "\nПричина: это устройство, а не обычный файл."
                                   << QStringList{"#OLD#"};
    }
    void loadCommand()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QStringList, result);
        add("#OLD#");
        identifierList().markSaved();
        const QString path = name.isEmpty() ? folder_->file("missing.fdp")
                           : name == "." ? folder_->file("dir.fdp")
                           : content == "fifo" || content == "zero" ? folder_->make(name, content)
                                                                    : folder_->write(name, content);
        if (name == ".")
            QDir().mkdir(path);
        // A file of the user's beside the list stays, whatever its name.
        const QString copy = folder_->make(QFileInfo(path).fileName() + ".MyCopy", "old");
        dialogs_->answerFile(path);
        if (!message.isEmpty())
            dialogs_->answer(MessageAnswer::Ok);
        FormVelGeneral->NLoad->trigger();
        QCOMPARE(dialogs_->shownTexts(), message.isEmpty() ? QStringList()
                                  : QStringList{message.contains("%1") ? message.arg(path) : message});
        QCOMPARE(identifiers(), result);
        QCOMPARE(FormVelGeneral->ListBoxGeneral->count(), result.size());
        // A failed open leaves the list's name as it was.
        QCOMPARE(identifierList().fileName(), message.isEmpty() ? path : QString());
        QVERIFY(QFile::exists(copy));
        if (message.isEmpty()) {
            QCOMPARE(FormVelGeneral->ComboBoxField->currentText(), QString());
            QVERIFY(!identifierList().isChanged());
            QVERIFY(!identifierList().hasCurrent());
        }
    }

    void loadAsksToSaveChanges()
    {
        add("#A#", "a");
        const QString path = folder_->write("l.fdp", "1\r\n19\r\n#B#\r\n\r\n\r\n");
        dialogs_->answer(MessageAnswer::No);
        dialogs_->answerFile(path);
        FormVelGeneral->NLoad->trigger();
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("В список идентификаторов были внесены изменения. Хотите сохранить список идентификаторов?")});
        QCOMPARE(dialogs_->fileFilters(), QStringList{QStringLiteral("Список идентификаторов *.fdp|*.fdp|Все файлы *.*|*.*")});
        QCOMPARE(identifiers(), QStringList{"#B#"});

        // A list a later start hands over (opened from the file manager)
        // waits while another window is open over this one.
        FormVelAbout->setWindowModality(Qt::ApplicationModal);
        FormVelAbout->show();
        FormVelGeneral->OpenHandedListFile(folder_->write("передан.fdp", "1\r\n19\r\n#H#\r\n\r\n\r\n"));
        QVERIFY(QTest::qWaitForWindowActive(FormVelAbout));
        QCOMPARE(identifiers(), QStringList{"#B#"});
        FormVelAbout->close();
        FormVelGeneral->activateWindow();
        QTRY_COMPARE(identifiers(), QStringList{"#H#"});
    }

    void saveCommand()
    {
        add("#A#", "a", "c");
        FormVelGeneral->CheckBoxStatus->setChecked(false);
        add("#B#", "b");
        const QString users = folder_->make("list.fdp.BackUp", "old");
        save(folder_->file("list"), false);
        QCOMPARE(folder_->read("list.fdp"), QByteArray("2\r\n19\r\n#A#\r\nc\r\n\r\n#B#\r\n\r\n\r\n"));
        QCOMPARE(dialogs_->fileFilters(), QStringList{QStringLiteral("Список полей|*.fdp")});
        QVERIFY(identifierList().isChanged());   // the replacement texts are in no file

        dialogs_->answer(MessageAnswer::No);
        save(folder_->file("list"), true);
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Файл с именем 'list.fdp' уже существует. Изменить содержимое файла?")});
        QCOMPARE(folder_->read("list.fdp"), QByteArray("2\r\n19\r\n#A#\r\nc\r\n\r\n#B#\r\n\r\n\r\n"));

        dialogs_->answer(MessageAnswer::Yes);
        save(folder_->file("list.fdp"), true);
        QCOMPARE(folder_->read("list.fdp"), QByteArray("2\r\n19\r\n#A#\r\nc\r\na\r\n#B#\r\n\r\nb\r\n"));
        QCOMPARE(identifierList().fileName(), folder_->file("list.fdp"));

        // Loading it again turns every status on.
        dialogs_->answerFile(folder_->file("list.fdp"));
        FormVelGeneral->NLoad->trigger();
        QVERIFY(identifierList().record(0).status && identifierList().record(1).status);

        // A text the file's code page lacks is named first; cancelled, the
        // file stays as it was.
        add("#C#", "5 м²");
        dialogs_->answer(MessageAnswer::Yes);
        dialogs_->answer(MessageAnswer::Cancel);
        save(folder_->file("list.fdp"), true);
        QVERIFY(dialogs_->shownTexts().constLast().contains("\n3. #C#: «²»\n"));
        QCOMPARE(folder_->read("list.fdp"), QByteArray("2\r\n19\r\n#A#\r\nc\r\na\r\n#B#\r\n\r\nb\r\n"));
        QVERIFY(identifierList().isChanged());
        QVERIFY(QFile::exists(users));
    }

    // The open and save dialogs start in the folder of the file last used
    // for their purpose: the list file, the template.
    void dialogsStartWhereTheLastFileWas()
    {
        QDir(folder_->path()).mkpath("lists");
        QDir(folder_->path()).mkpath("templates");
        const QString list = folder_->write("lists/l.fdp", "1\r\n19\r\n#A#\r\n\r\n\r\n");
        dialogs_->answerFile(list);
        FormVelGeneral->NLoad->trigger();
        dialogs_->answerFile(QString());
        FormVelGeneral->NLoad->trigger();
        QTimer::singleShot(0, FormSaveSelect->ButtonSaveSelectOK, &QPushButton::click);
        dialogs_->answerFile(QString());
        FormVelGeneral->NSave->trigger();
        FormVelGeneral->EditFile->setEditText(folder_->file("templates/t.doc"));
        dialogs_->answerFile(QString());
        FormVelGeneral->ButtonSelectFile->click();
        QCOMPARE(dialogs_->fileFolders(), (QStringList{QString(), folder_->file("lists"), folder_->file("lists"),
                                                       folder_->file("templates")}));
    }

    // A save or the close's write of nstrtxt.dan that fails says what failed
    // and why.
    void writeFailuresAreExplained_data()
    {
        QTest::addColumn<QString>("name");     // the list file saved; empty: the close sequence
        QTest::addColumn<QString>("disk");     // "full", "read-only" or none of its own
        QTest::addColumn<QString>("message");  // %1: the file
        const QString changes("Невозможно сохранить изменения в файле %1\nВозможно файл используется другим приложением");
        const QString close("Не удается записать файл %1: последний список идентификаторов и шаблон не будут "
                            "предложены при следующем запуске.");
        QTest::newRow("no such folder") << "no/such/list.fdp" << "" << "Невозможно сохранить файл!\nПричина: папка не существует.";
        QTest::newRow("a folder of that name") << "taken.fdp" << "" << changes + "\nПричина: это папка.";
        QTest::newRow("new file, full disk") << "new.fdp" << "full" << "Невозможно сохранить файл!\nПричина: нет места на диске.";
        QTest::newRow("old file, full disk") << "old.fdp" << "full" << changes + "\nПричина: нет места на диске.";
        QTest::newRow("read-only disk") << "new.fdp" << "read-only"
                                        << "Невозможно сохранить файл!\nПричина: диск доступен только для чтения.";
        QTest::newRow("close, full disk") << "" << "full" << close + "\nПричина: нет места на диске.";
        QTest::newRow("close, read-only disk") << "" << "read-only" << close + "\nПричина: диск доступен только для чтения.";
    }
    void writeFailuresAreExplained()
    {
        QFETCH(QString, name);
        QFETCH(QString, disk);
        QFETCH(QString, message);
        if (!disk.isEmpty() && !folder_->mountSmallDisk())
            QSKIP("a small disk of our own needs the right to mount");
        const QString file = folder_->file(name.isEmpty() ? QStringLiteral("nstrtxt.dan") : name);
        if (name == "taken.fdp")
            QDir().mkdir(file);
        if (name == "old.fdp")
            folder_->write(name, "1\r\n19\r\n#OLD#\r\n\r\n\r\n");
        if (!disk.isEmpty())
            folder_->sealSmallDisk(disk == "read-only");
        if (!name.isEmpty())
            add("#A#", "a");
        if (QFileInfo::exists(file) && !name.isEmpty())
            dialogs_->answer(MessageAnswer::Yes);
        dialogs_->answer(MessageAnswer::Ok);
        if (name.isEmpty()) {
            FormVelGeneral->EditFile->setEditText(QStringLiteral("/t.doc"));
            FormVelGeneral->close();
        } else {
            save(file, true);
        }
        QCOMPARE(dialogs_->shownTexts().constLast(), message.contains("%1") ? message.arg(file) : message);
        QCOMPARE(identifierList().isChanged(), !name.isEmpty());
    }

    void closeQuestions_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<QString>("question");
        QTest::newRow("empty list") << 0 << QString();
        QTest::newRow("loaded, unchanged") << 1 << QString();
        QTest::newRow("loaded, text changed") << 2 << QStringLiteral("В список идентификаторов были внесены изменения. Хотите сохранить список идентификаторов?");
        QTest::newRow("loaded, same byte sum") << 3 << QStringLiteral("В список идентификаторов были внесены изменения. Хотите сохранить список идентификаторов?");
        QTest::newRow("loaded, reordered") << 4 << QStringLiteral("В список идентификаторов были внесены изменения. Хотите сохранить список идентификаторов?");
        QTest::newRow("cleared") << 5 << QString();
        QTest::newRow("cleared, then added") << 6 << QStringLiteral("Хотите сохранить список идентификаторов?");
        QTest::newRow("typed, never saved") << 7 << QStringLiteral("Хотите сохранить список идентификаторов?");
        QTest::newRow("Cancel: stays open") << 8 << QStringLiteral("Хотите сохранить список идентификаторов?");
        QTest::newRow("Yes, save cancelled: stays open") << 9 << QStringLiteral("Хотите сохранить список идентификаторов?");
        // Saved by keys: F2, then the save-choice window.
        QTest::newRow("F2, identifiers only: asked again") << 10 << QStringLiteral("В список идентификаторов были внесены изменения. Хотите сохранить список идентификаторов?");
        QTest::newRow("F2, Enter: the texts are saved") << 11 << QString();
        QTest::newRow("F2, Escape: nothing saved") << 12 << QStringLiteral("Хотите сохранить список идентификаторов?");
    }
    void closeQuestions()
    {
        QFETCH(int, scenario);
        QFETCH(QString, question);
        if (scenario >= 1 && scenario <= 6) {
            dialogs_->answerFile(folder_->write("l.fdp", "2\r\n19\r\n#A#\r\n\r\n1500\r\n#B#\r\n\r\nb\r\n"));
            FormVelGeneral->NLoad->trigger();
        }
        if (scenario == 2 || scenario == 3) {
            clickLine(0);
            FormVelGeneral->ComboBoxText->setEditText(scenario == 2 ? "1501" : "1050");
            dialogs_->answer(MessageAnswer::Yes);
            FormVelGeneral->ButtonInsert->click();
        }
        if (scenario == 4) {
            clickLine(0);
            FormVelGeneral->SpeedButton2->click();
        }
        if (scenario >= 5)
            FormVelGeneral->NClearFields->trigger();
        if (scenario >= 6)
            add("#C#", "c");
        if (scenario >= 10) {
            const QList<QKeyCombination> keys = scenario == 10 ? QList<QKeyCombination>{Qt::Key_Up, Qt::Key_Return}
                                              : scenario == 11 ? QList<QKeyCombination>{Qt::Key_Return}
                                                               : QList<QKeyCombination>{Qt::Key_Escape};
            QTimer::singleShot(0, FormSaveSelect, [keys] {
                FormSaveSelect->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(FormSaveSelect));
                for (const QKeyCombination key : keys)
                    userInput::press(key);
            });
            if (scenario != 12)
                dialogs_->answerFile(folder_->file("typed.fdp"));
            userInput::press(Qt::Key_F2);
            QCOMPARE(folder_->read("typed.fdp"), scenario == 10 ? QByteArray("1\r\n19\r\n#C#\r\n\r\n\r\n")
                                               : scenario == 11 ? QByteArray("1\r\n19\r\n#C#\r\n\r\nc\r\n")
                                                                : QByteArray());
            QCOMPARE(dialogs_->fileFilters().size(), scenario == 12 ? 0 : 1);   // Escape asks for no file
        }
        dialogs_->clear();
        if (!question.isEmpty())
            dialogs_->answer(scenario == 8 ? MessageAnswer::Cancel : scenario == 9 ? MessageAnswer::Yes : MessageAnswer::No);
        if (scenario == 9) {
            QTimer::singleShot(0, FormSaveSelect->ButtonSaveSelectOK, &QPushButton::click);
            dialogs_->answerFile(QString());
        }
        FormVelGeneral->close();
        QCOMPARE(dialogs_->shownTexts(), question.isEmpty() ? QStringList() : QStringList{question});
        QVERIFY(question.isEmpty() || dialogs_->shown().first().buttons == MessageButtons::YesNoCancel);
        QCOMPARE(FormVelGeneral->isVisible(), scenario == 8 || scenario == 9);
    }

    // The other windows are made when first opened: they show what was
    // stored and read before them, and what they hand back arrives.
    void windowsMadeWhenFirstOpened()
    {
        FontRecord font;
        font.name = QByteArray("Serif");
        font.style = FontRecord::Italic;
        settingsFiles::writeFont(settingsFiles::fontFileName(), font);
        settingsFiles::writeSwitches(settingsFiles::switchFileName(), true, true);
        startWindow();
        QVERIFY(!FormVelOptions && !FormCommands && !FormExcelSelect);
        QVERIFY(FormVelGeneral->ComboBoxText->font().italic());
        QVERIFY(optionSwitches::restoreRange());   // what the range window goes by
        bool boxesChecked = false;
        QTimer::singleShot(0, FormVelGeneral, [&] {
            boxesChecked = FormVelOptions->CheckBoxStartWindow->isChecked() && FormVelOptions->CheckBoxExcelSave->isChecked();
            FormVelOptions->ButtonOptionsClose->click();
        });
        FormVelGeneral->N6->trigger();
        QVERIFY(boxesChecked);
        QTimer::singleShot(0, FormVelGeneral, [] {
            userInput::typeInto(FormCommands->EditSumDigit, QStringLiteral("5"));
            FormCommands->BitBtnSumConvert->click();
            FormCommands->BitBtnInsertToList->click();
            if (FormCommands->isVisible())
                FormCommands->reject();
        });
        FormVelGeneral->N12->trigger();
        QVERIFY(FormVelGeneral->ComboBoxText->currentText().startsWith(QStringLiteral("Пять рублей")));
    }

    // The list file and template of one run are offered in the next.
    void lastFilesAcrossRuns()
    {
        const QString list = folder_->write("l.fdp", "1\r\n19\r\n#A#\r\n\r\n\r\n");
        const QString templ = folder_->write("t.doc", "x");
        FormVelGeneral->close();
        QVERIFY(!QFile::exists(folder_->file("nstrtxt.dan")));   // nothing to remember

        startWindow();
        dialogs_->answerFile(list);
        FormVelGeneral->NLoad->trigger();
        FormVelGeneral->EditFile->setEditText(templ);
        FormVelGeneral->close();
        QCOMPARE(folder_->read("nstrtxt.dan"), "1" + w(list) + "\r\n2" + w(templ) + "\r\n");

        identifierList().clearAll();
        startWindow();
        QVERIFY(FormVelGeneral->NFileName1->isVisible());
        QCOMPARE(FormVelGeneral->NFileName1->text(), list);
        QCOMPARE(FormVelGeneral->EditFile->itemText(0), templ);
        FormVelGeneral->NFileName1->trigger();
        QCOMPARE(identifiers(), QStringList{"#A#"});

        // A template deleted since is replaced by the remembered one.
        QFile::remove(templ);
        FormVelGeneral->EditFile->setEditText(folder_->file("gone.doc"));
        FormVelGeneral->close();
        QCOMPARE(folder_->read("nstrtxt.dan"), "1" + w(list) + "\r\n2" + w(templ) + "\r\n");

        QFile::remove(list);
        startWindow();
        dialogs_->answer(MessageAnswer::Ok);
        FormVelGeneral->NFileName1->trigger();
        QCOMPARE(dialogs_->shownTexts(), QStringList{QStringLiteral("Файл %1 не найден!").arg(list)});
    }
};

KV_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
