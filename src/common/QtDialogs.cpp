#include "common/QtDialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QFontDialog>
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
    }
    return QMessageBox::Ok;
}

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
    QMessageBox box(iconOf(kind), messageTitle(kind), text, buttonsOf(buttons),
                    QApplication::activeWindow());
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

namespace {

// The sixteen colours a font dialog offers, as in every office suite.
const QList<QPair<QString, QColor>>& fontColors()
{
    static const QList<QPair<QString, QColor>> colors = {
        {QStringLiteral("Черный"), QColor(0x00, 0x00, 0x00)},
        {QStringLiteral("Бордовый"), QColor(0x80, 0x00, 0x00)},
        {QStringLiteral("Зеленый"), QColor(0x00, 0x80, 0x00)},
        {QStringLiteral("Оливковый"), QColor(0x80, 0x80, 0x00)},
        {QStringLiteral("Темно-синий"), QColor(0x00, 0x00, 0x80)},
        {QStringLiteral("Фиолетовый"), QColor(0x80, 0x00, 0x80)},
        {QStringLiteral("Сине-зеленый"), QColor(0x00, 0x80, 0x80)},
        {QStringLiteral("Серый"), QColor(0x80, 0x80, 0x80)},
        {QStringLiteral("Серебристый"), QColor(0xC0, 0xC0, 0xC0)},
        {QStringLiteral("Красный"), QColor(0xFF, 0x00, 0x00)},
        {QStringLiteral("Лайм"), QColor(0x00, 0xFF, 0x00)},
        {QStringLiteral("Желтый"), QColor(0xFF, 0xFF, 0x00)},
        {QStringLiteral("Синий"), QColor(0x00, 0x00, 0xFF)},
        {QStringLiteral("Фуксия"), QColor(0xFF, 0x00, 0xFF)},
        {QStringLiteral("Морская волна"), QColor(0x00, 0xFF, 0xFF)},
        {QStringLiteral("Белый"), QColor(0xFF, 0xFF, 0xFF)},
    };
    return colors;
}

QIcon colorIcon(const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

} // namespace

std::optional<FontChoice> QtDialogs::chooseFont(QWidget* parent, const FontChoice& initial,
                                                int minPoints, int maxPoints)
{
    // Qt's font dialog has no colour: it goes into a dialog of ours beside
    // a colour list.
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Шрифт"));
    auto* fonts = new QFontDialog(initial.font, &dialog);
    fonts->setOptions(QFontDialog::NoButtons);
    fonts->setWindowFlags(Qt::Widget);
    auto* colors = new QComboBox(&dialog);
    for (const auto& [name, color] : fontColors())
        colors->addItem(colorIcon(color), name, color);
    int current = colors->findData(initial.color);
    if (current < 0) {
        colors->addItem(colorIcon(initial.color), QStringLiteral("Текущий"), initial.color);
        current = colors->count() - 1;
    }
    colors->setCurrentIndex(current);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* colorRow = new QHBoxLayout;
    colorRow->addWidget(new QLabel(QStringLiteral("Цвет:"), &dialog));
    colorRow->addWidget(colors, 1);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fonts);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);

    for (;;) {
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const QFont font = fonts->currentFont();
        if (font.pointSize() >= minPoints && font.pointSize() <= maxPoints)
            return FontChoice{font, colors->currentData().value<QColor>()};
        QMessageBox::warning(parent, messageTitle(MessageKind::Error),
                             QStringLiteral("Размер шрифта должен быть от %1 до %2.")
                                 .arg(minPoints).arg(maxPoints));
    }
}
