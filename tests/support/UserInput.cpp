#include "UserInput.h"

#include <QApplication>
#include <QTest>
#include <QWidget>

namespace userInput {
namespace {

bool activate(QWidget* window)
{
    if (!window->isVisible())
        window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window))
        return false;
    // The offscreen platform leaves a window that was hidden and shown again
    // focused but not active for the widgets; a window system would activate it.
    if (!window->isActiveWindow())
        QApplication::setActiveWindow(window);
    return window->isActiveWindow();
}

QWidget* focused()
{
    return QApplication::focusWidget();
}

} // namespace

bool clickInto(QWidget* control)
{
    if (!activate(control->window()))
        return false;
    const QPoint centre = control->rect().center();
    QWidget* target = control->childAt(centre);
    if (!target)
        target = control;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(control, centre));
    QWidget* focus = focused();
    return focus && (focus == control || control->isAncestorOf(focus));
}

void type(const QString& text)
{
    // QTest::keyClicks sends Latin-1 only; other characters go as the text
    // of a key that has no code of its own, as a keyboard layout gives them.
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(focused(), ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, focused(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
}

void press(QKeyCombination key)
{
    QTest::keyClick(focused(), key.key(), key.keyboardModifiers());
}

bool tabTo(QWidget* control)
{
    if (!activate(control->window()))
        return false;
    for (int i = 0; i < 64 && focused() != control; ++i)
        press(Qt::Key_Tab);
    return focused() == control;
}

bool typeInto(QWidget* control, const QString& text)
{
    if (!clickInto(control))
        return false;
    press(Qt::Key_End);
    type(text);
    return true;
}

bool typeOver(QWidget* control, const QString& text)
{
    if (!clickInto(control))
        return false;
    press(Qt::Key_Home);
    press(Qt::SHIFT | Qt::Key_End);
    type(text);
    return true;
}

} // namespace userInput
