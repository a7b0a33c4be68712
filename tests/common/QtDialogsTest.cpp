// The dialogs the user meets through the program's Qt seam.
#include "common/windows/FontDialog.h"
#include "common/windows/ProgramStyle.h"
#include "common/windows/QtDialogs.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"
#include "support/TestMain.h"
#include "support/UserInput.h"

#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListWidget>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <memory>

#include <functional>

namespace {

// Runs the user's part once a modal window of type W is open, and closes it
// if the user's part left it open, so that a failure never hangs the test.
template <class W>
void whenOpen(QObject* context, std::function<void(W*)> user)
{
    auto* poll = new QTimer(context);
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, context, [poll, tries, user] {
        W* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window && ++*tries < 500)
            return;
        poll->stop();
        poll->deleteLater();
        if (!window) {
            if (QWidget* other = QApplication::activeModalWidget())
                other->close();
            return;
        }
        user(window);
        if (window->isVisible())
            window->reject();
    });
    poll->start(10);
}

// The file table's sizes, types and dates show whole, beside a name column
// of some width, without scrolling.
bool columnsShowWhole(const QTreeView* view)
{
    const QHeaderView* header = view->header();
    for (int column = 1, row = 0; column < 4; ++column, row = 0)
        for (QModelIndex at; (at = view->model()->index(row++, column, view->rootIndex())).isValid();)
            if (header->sectionSize(column) < view->fontMetrics().horizontalAdvance(at.data().toString()) + 6)
                return false;
    return header->sectionSize(0) >= 200 && header->length() <= view->viewport()->width();
}

void clickOk(QDialog* dialog)
{
    QTest::mouseClick(dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { installRussianQtTexts(); }

    // Filters show each description once, as the program writes them, and
    // the dialog starts in the folder it is given. Its list and buttons speak
    // Russian in any locale.
    void fileDialogShowsFiltersOnce()
    {
        TempFolder folder(false);
        QDir(folder.path()).mkdir(QStringLiteral("sub"));
        const QString file = folder.write(QStringLiteral("list.fdp"), "hello\n");
        QStringList filters, rows;
        QString started, open;
        whenOpen<QFileDialog>(this, [&](QFileDialog* dialog) {
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            for (int i = 0; types && i < types->count(); ++i)
                filters << types->itemText(i);
            started = dialog->directory().absolutePath();
            open = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->text();
            QAbstractProxyModel* list = dialog->proxyModel();
            const QModelIndex at = list->mapFromSource(static_cast<QFileSystemModel*>(list->sourceModel())->index(started));
            QTRY_COMPARE(list->rowCount(at), 2);
            for (int row = 0; row < 2; ++row)
                rows << QStringList{list->index(row, 1, at).data().toString(), list->index(row, 2, at).data().toString(),
                                    list->index(row, 3, at).data().toString()}.join('|');
            const auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
            QTRY_VERIFY(view && view->isVisible() && columnsShowWhole(view));
        });
        QtDialogs seam;
        QCOMPARE(seam.openFileName(nullptr, {QStringLiteral("Список идентификаторов *.fdp|*.fdp|Все файлы *.*|*.*"),
                                             QString(), QString(), folder.path()}),
                 QString());
        QCOMPARE(filters, (QStringList{QStringLiteral("Список идентификаторов *.fdp"), QStringLiteral("Все файлы *.*")}));
        QCOMPARE(started, QDir(folder.path()).absolutePath());
        QCOMPARE(open, QStringLiteral("&Открыть"));
        const QLocale russian(QLocale::Russian);
        rows.sort();   // the file, then the folder
        QVERIFY2(rows.value(0).startsWith(QStringLiteral("6 байт"))
                     && rows[0].endsWith(russian.toString(QFileInfo(file).lastModified(), QLocale::ShortFormat)),
                 qPrintable(rows.value(0)));
        QCOMPARE(rows.value(1), "|Папка|" + russian.toString(QFileInfo(folder.file("sub")).lastModified(), QLocale::ShortFormat));
    }

    // The font dialog offers only the sizes it accepts and Russian style
    // names; a size typed outside them is refused in an error box.
    void fontDialogOffersTheAcceptedSizes()
    {
        ScriptedDialogs boxes;
        boxes.answer(MessageAnswer::Ok);
        QStringList sizes, styles;
        bool stayedOpen = false;
        whenOpen<FontDialog>(this, [&](FontDialog* dialog) {
            for (int i = 0; i < dialog->SizeBox->count(); ++i)
                sizes << dialog->SizeBox->itemText(i);
            for (int i = 0; i < dialog->StyleList->count(); ++i)
                styles << dialog->StyleList->item(i)->text();
            if (!userInput::typeOver(dialog->SizeBox, "12"))
                return;
            clickOk(dialog);
            stayedOpen = dialog->isVisible();
            QListWidget* list = dialog->StyleList;
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
            if (!userInput::tabTo(dialog->UnderlineBox))
                return;
            userInput::press(Qt::Key_Space);
            if (!userInput::typeOver(dialog->SizeBox, "9"))
                return;
            clickOk(dialog);
        });
        QtDialogs seam;
        const std::optional<FontChoice> chosen = seam.chooseFont(nullptr, {QFont(QStringLiteral("Sans"), 8), Qt::blue}, 8, 10);
        QCOMPARE(sizes, (QStringList{"8", "9", "10"}));
        QCOMPARE(styles, (QStringList{QStringLiteral("Обычный"), QStringLiteral("Курсив"),
                                      QStringLiteral("Полужирный"), QStringLiteral("Полужирный курсив")}));
        QVERIFY(stayedOpen);
        QCOMPARE(boxes.shown().size(), 1);
        QCOMPARE(boxes.shown().first().kind, MessageKind::Error);
        QCOMPARE(boxes.shown().first().text, QStringLiteral("Размер шрифта должен быть от 8 до 10."));
        QVERIFY(chosen);
        QCOMPARE(chosen->font.pointSize(), 9);
        QVERIFY(chosen->font.bold() && !chosen->font.italic());
        QVERIFY(chosen->font.underline());
        QCOMPARE(chosen->color, QColor(Qt::blue));
    }

    // The windows' style draws every standard picture as the style under it
    // does, those it reads only when first drawn too. Last: it stays installed.
    void programStyleDrawsTheStandardPictures_data()
    {
        QTest::addColumn<int>("picture");
        QTest::newRow("menu bar overflow") << int(QStyle::SP_ToolBarHorizontalExtensionButton);
        QTest::newRow("tool bar overflow") << int(QStyle::SP_ToolBarVerticalExtensionButton);
        QTest::newRow("cancel button") << int(QStyle::SP_DialogCancelButton);
    }

    void programStyleDrawsTheStandardPictures()
    {
        QFETCH(int, picture);
        if (!qobject_cast<QProxyStyle*>(QApplication::style()))
            installProgramStyle();
        const QStyle* base = qobject_cast<QProxyStyle*>(QApplication::style())->baseStyle();
        const QIcon icon = QApplication::style()->standardIcon(QStyle::StandardPixmap(picture));
        const QImage drawn = icon.pixmap(16).toImage();
        QVERIFY(!icon.isNull() && !drawn.isNull());
        QCOMPARE(drawn, base->standardIcon(QStyle::StandardPixmap(picture)).pixmap(16).toImage());
    }
};

KV_TEST_MAIN(QtDialogsTest)
#include "QtDialogsTest.moc"
