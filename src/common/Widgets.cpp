#include "common/Widgets.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QValidator>

namespace widgets {
namespace {

class TypedLengthValidator : public QValidator {
public:
    TypedLengthValidator(int maxLength, QObject* parent)
        : QValidator(parent), maxLength_(maxLength) {}
    State validate(QString& input, int&) const override
    {
        return input.size() <= maxLength_ ? Acceptable : Invalid;
    }

private:
    int maxLength_;
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

void setBaseColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, color);
    widget->setPalette(palette);
}

void limitTyping(QLineEdit* edit, int maxLength)
{
    edit->setValidator(new TypedLengthValidator(maxLength, edit));
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

QComboBox* editableComboBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->setMaxVisibleItems(12);
    return box;
}

} // namespace widgets
