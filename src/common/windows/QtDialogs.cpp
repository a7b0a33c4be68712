#include "common/windows/QtDialogs.h"

#include "common/windows/FontDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHash>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>
#include <QTreeView>

#include <algorithm>

namespace {

QMessageBox::Icon iconOf(MessageKind kind)
{
    switch (kind) {
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
    case MessageKind::Error:
    case MessageKind::ApplicationError: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttonsOf(MessageButtons buttons)
{
    switch (buttons) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesCancel: return QMessageBox::Yes | QMessageBox::Cancel;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

// A question with Yes and No only has no answer that is safe to guess: Escape
// and the title bar's close button do nothing there, and the user chooses.
// With Cancel, Escape and the close button answer Cancel.
class MessageBox : public QMessageBox {
public:
    MessageBox(MessageKind kind, const QString& text, MessageButtons buttons)
        : QMessageBox(iconOf(kind), messageTitle(kind), text, buttonsOf(buttons), QApplication::activeWindow()),
          mustAnswer_(buttons == MessageButtons::YesNo)
    {
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (mustAnswer_ && event->matches(QKeySequence::Cancel))
            return event->accept();
        QMessageBox::keyPressEvent(event);
    }
    void closeEvent(QCloseEvent* event) override
    {
        if (mustAnswer_)
            return event->ignore();
        QMessageBox::closeEvent(event);
    }

private:
    bool mustAnswer_;
};

// Texts Qt's Russian translation lacks: the file dialog's type names moved to
// a class whose texts it does not have yet.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override
    {
        static const QHash<QByteArray, QString> texts{{"Drive", QStringLiteral("Диск")},
                                                      {"File", QStringLiteral("Файл")},
                                                      {"Folder", QStringLiteral("Папка")},
                                                      {"Shortcut", QStringLiteral("Ярлык")},
                                                      {"Unknown", QStringLiteral("Неизвестный")}};
        return qstrcmp(context, "QAbstractFileIconProvider") == 0 ? texts.value(source) : QString();
    }
};

// The file list of Qt's own file dialog in Russian whatever the locale: its
// model writes sizes and dates in the system locale ("6 bytes", "8 Dec"), and
// file types in the default one.
class RussianFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid())
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        static const QLocale russian(QLocale::Russian, QLocale::Russia);
        switch (index.column()) {
        case 1: return files->isDir(source) ? QString() : russian.formattedDataSize(files->size(source));
        case 2:
            if (files->isDir(source) || QLocale().language() == QLocale::Russian)
                break;
            return QStringLiteral("Файл %1").arg(files->fileInfo(source).suffix().toUpper()).trimmed();
        case 3: return russian.toString(files->lastModified(source), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

QString qtNameFilters(const QString& barFilter)
{
    const QStringList parts = barFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return filters.join(QStringLiteral(";;"));
}

MessageAnswer QtDialogs::message(MessageKind kind, const QString& text, MessageButtons buttons)
{
    MessageBox box(kind, text, buttons);
    switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: break;
    }
    // A box closed with Escape or the close button answers with its safe choice.
    return buttons == MessageButtons::Ok   ? MessageAnswer::Ok
        : buttons == MessageButtons::YesNo ? MessageAnswer::No
                                           : MessageAnswer::Cancel;
}

namespace {

// Qt's dialogs take the start folder and the preset name as one path.
QString startPath(const FileDialogRequest& request)
{
    if (request.fileName.isEmpty())
        return request.folder;
    if (request.folder.isEmpty() || QFileInfo(request.fileName).isAbsolute())
        return request.fileName;
    return QDir(request.folder).filePath(request.fileName);
}

// The files in a table whose sizes, types and dates show whole, the names
// taking the rest, in a dialog wide enough for all of them.
void showDetails(QFileDialog& dialog)
{
    dialog.setViewMode(QFileDialog::Detail);
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return;
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int column = 1; column < header->count(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    // Room for a name of 40 characters, a size, a type such as «электронная
    // таблица Office Open XML» and a date with its time, beside the places.
    const QFontMetrics text(view->font());
    const int columns = text.horizontalAdvance(QString(40 + 10 + 36 + 16, QLatin1Char('x')));
    dialog.resize(std::max(dialog.sizeHint().width(), columns + 260), std::max(dialog.sizeHint().height(), 480));
}

QString chosenFile(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, request.title, startPath(request), qtNameFilters(request.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // The program asks about overwriting itself, in its own words.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, mode == QFileDialog::AcceptSave);
    dialog.setProxyModel(new RussianFileColumns(&dialog));
    showDetails(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

} // namespace

void installRussianQtTexts()
{
    // The later translator is asked first: Qt's own, then what it lacks.
    QCoreApplication::installTranslator(new MissingQtTexts(qApp));
    auto* qtTexts = new QTranslator(qApp);
    if (qtTexts->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
}

// The filters show their descriptions only, as the program writes them
// ("Список идентификаторов *.fdp", not "Список идентификаторов *.fdp (*.fdp)").
QString QtDialogs::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    return chosenFile(parent, request, QFileDialog::AcceptOpen);
}

QString QtDialogs::saveFileName(QWidget* parent, const FileDialogRequest& request)
{
    return chosenFile(parent, request, QFileDialog::AcceptSave);
}

std::optional<FontChoice> QtDialogs::chooseFont(QWidget* parent, const FontChoice& initial, int minPoints,
                                                int maxPoints)
{
    FontDialog dialog(initial, minPoints, maxPoints, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}
