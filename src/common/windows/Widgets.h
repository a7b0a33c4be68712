#pragma once

#include <QColor>
#include <QIcon>
#include <QSize>
#include <QSpinBox>
#include <QString>
#include <QStyle>

class QComboBox;
class QKeyEvent;
class QLineEdit;
class QWidget;

// Small helpers shared by the windows.
namespace widgets {

// Gives a control its object name, the name it has in the code.
template <class W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

inline const QColor kNavy{0x00, 0x00, 0x80};
inline const QColor kBlue{0x00, 0x00, 0xFF};

void setTextColor(QWidget* widget, const QColor& color);
void setBaseColor(QWidget* widget, const QColor& color);

// Limits what the user types or pastes to maxLength characters: typing at
// the limit puts nothing in, and a paste is cut to the room that is left.
// Text set by the program may be longer (a QLineEdit's own maxLength would
// cut it), and stays whole.
void limitTyping(QLineEdit* edit, int maxLength);

// The size of a fixed-border window: at least the designed size, what its
// controls need, and room for its whole title beside the title bar's
// buttons (window managers cut a title that does not fit).
QSize fixedWindowSize(const QWidget* window, QSize designed);

// Adds an item to a drop-down list kept sorted (duplicates allowed) without
// touching the text being edited.
void addSortedItem(QComboBox* box, const QString& text);

// Enter and Return press the window's focused button and nothing else: the
// windows have no default button, so Enter in a text box changes nothing.
// True when the key was one of them; the event is then accepted.
bool enterPressesFocusedButton(const QWidget* window, QKeyEvent* event);

// A QComboBox that can be edited and never inserts what is typed by itself.
QComboBox* editableComboBox(QWidget* parent);

// The style's standard icon, read when it is first drawn: a window made at
// start-up and shown later decodes no pictures before it is shown. `style`
// is the style to read it from; none: the application's, as it is then.
QIcon standardIcon(QStyle::StandardPixmap which, QStyle* style = nullptr);

// A spin edit that takes at most a given number of typed characters; values
// set by the program are not limited.
class LimitedSpinBox : public QSpinBox {
    Q_OBJECT
public:
    LimitedSpinBox(int typedLimit, QWidget* parent);

protected:
    QValidator::State validate(QString& input, int& pos) const override;

private:
    int typedLimit_;
};

} // namespace widgets
