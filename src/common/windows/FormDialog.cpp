#include "common/windows/FormDialog.h"

#include "common/windows/Guard.h"
#include "common/windows/Widgets.h"

#include <QEvent>
#include <QKeyEvent>

FormDialog::FormDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags)
{
}

void FormDialog::onKeyUp(QWidget* control, std::function<void()> handler)
{
    keyUp_.insert(control, std::move(handler));
    control->installEventFilter(this);
}

void FormDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    guarded([this] { onShow(); });
}

void FormDialog::keyPressEvent(QKeyEvent* event)
{
    if (!enterPressesFocused_ || !widgets::enterPressesFocusedButton(this, event))
        QDialog::keyPressEvent(event);
}

bool FormDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto handler = keyUp_.constFind(watched);
        if (handler != keyUp_.constEnd())
            guarded(*handler);
    }
    return QDialog::eventFilter(watched, event);
}
