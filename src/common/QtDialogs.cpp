#include "common/QtDialogs.h"

#include "common/FontDialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>

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
    return buttons == MessageButtons::Ok ? MessageAnswer::Ok
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

} // namespace

// The filters show their descriptions only, as the program writes them
// ("Список идентификаторов *.fdp", not "Список идентификаторов *.fdp (*.fdp)").
QString QtDialogs::openFileName(QWidget* parent, const FileDialogRequest& request)
{
    return QFileDialog::getOpenFileName(parent, request.title, startPath(request),
                                        qtNameFilters(request.filter), nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

QString QtDialogs::saveFileName(QWidget* parent, const FileDialogRequest& request)
{
    // The program asks about overwriting itself, in its own words.
    return QFileDialog::getSaveFileName(parent, request.title, startPath(request),
                                        qtNameFilters(request.filter), nullptr,
                                        QFileDialog::DontConfirmOverwrite | QFileDialog::HideNameFilterDetails);
}

std::optional<FontChoice> QtDialogs::chooseFont(QWidget* parent, const FontChoice& initial,
                                                int minPoints, int maxPoints)
{
    FontDialog dialog(initial, minPoints, maxPoints, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}
