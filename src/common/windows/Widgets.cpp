#include "common/windows/Widgets.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QIconEngine>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace widgets {
namespace {

class StandardIconEngine : public QIconEngine {
public:
    StandardIconEngine(QStyle::StandardPixmap which, QStyle* style) : which_(which), style_(style), ownStyle_(style) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Asked as the icon is set, long before it is drawn: the style's
    // standard icons are never empty.
    bool isNull() override { return false; }
    QIconEngine* clone() const override { return new StandardIconEngine(which_, style_); }
    QString key() const override { return QStringLiteral("kvilmar.standard"); }

private:
    QIcon& icon()
    {
        QStyle* style = ownStyle_ ? style_.data() : QApplication::style();
        if (icon_.isNull() && style)
            icon_ = style->standardIcon(which_);
        return icon_;
    }

    QStyle::StandardPixmap which_;
    QPointer<QStyle> style_;
    bool ownStyle_; // read from style_, not the application's
    QIcon icon_;
};

// Watches the user's edits of one line edit. textEdited comes only from the
// user, so text the program sets is never cut; what an edit inserted beyond
// the limit is taken out again at once.
class TypingLimit : public QObject {
public:
    TypingLimit(QLineEdit* edit, int maxLength)
        : QObject(edit), edit_(edit), maxLength_(maxLength), before_(edit->text())
    {
        // The text as it is after every change, also after a cut made here
        // inside the edit's own signal (its later textChanged carries the
        // uncut text).
        connect(edit, &QLineEdit::textChanged, this, [this] { before_ = edit_->text(); });
        connect(edit, &QLineEdit::textEdited, this, [this](const QString& text) { cut(text); });
    }

private:
    void cut(const QString& after)
    {
        if (after.size() <= maxLength_ || after.size() <= before_.size())
            return;
        // The edit replaced before_[head, before_.size() - tail) with
        // after[head, after.size() - tail).
        const qsizetype shorter = std::min(before_.size(), after.size());
        qsizetype head = 0;
        while (head < shorter && before_.at(head) == after.at(head))
            ++head;
        qsizetype tail = 0;
        while (tail < shorter - head && before_.at(before_.size() - 1 - tail) == after.at(after.size() - 1 - tail))
            ++tail;
        const qsizetype room = std::max<qsizetype>(0, maxLength_ - (head + tail));
        const QString inserted = after.mid(head, after.size() - head - tail).left(room);
        const QString text = before_.left(head) + inserted + before_.right(tail);
        edit_->setText(text);
        edit_->setCursorPosition(int(head + inserted.size()));
    }

    QLineEdit* edit_;
    int maxLength_;
    QString before_;
};

} // namespace

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QSize fixedWindowSize(const QWidget* window, QSize designed)
{
    // Title bars use a bold face of about the application's size; the icon
    // and three buttons take about 100 pixels more.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(window->windowTitle()) + 100;
    return window->sizeHint().expandedTo(designed).expandedTo(QSize(titleWidth, 0));
}

void setBaseColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
}

void limitTyping(QLineEdit* edit, int maxLength)
{
    new TypingLimit(edit, maxLength);
}

void addSortedItem(QComboBox* box, const QString& text)
{
    const QString edited = box->currentText();
    int at = 0;
    while (at < box->count() && QString::localeAwareCompare(box->itemText(at), text) <= 0)
        ++at;
    const QSignalBlocker block(box);
    box->insertItem(at, text);
    if (box->isEditable()) {
        box->setCurrentIndex(-1);
        box->setEditText(edited);
    }
}

QIcon standardIcon(QStyle::StandardPixmap which, QStyle* style)
{
    return QIcon(new StandardIconEngine(which, style));
}

QComboBox* editableComboBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(12);
    return box;
}

LimitedSpinBox::LimitedSpinBox(int typedLimit, QWidget* parent) : QSpinBox(parent), typedLimit_(typedLimit)
{
}

QValidator::State LimitedSpinBox::validate(QString& input, int& pos) const
{
    if (input.size() > typedLimit_)
        return QValidator::Invalid;
    return QSpinBox::validate(input, pos);
}

bool enterPressesFocusedButton(const QWidget* window, QKeyEvent* event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (auto* button = qobject_cast<QPushButton*>(window->focusWidget()); button && button->isEnabled())
        button->click();
    event->accept();
    return true;
}

} // namespace widgets
