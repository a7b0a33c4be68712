#pragma once

#include <QKeySequence>
#include <QString>

class QWidget;

// Input as a user gives it: the control's window is made the active one, the
// control gets the focus by a click on it, and keys go to whatever widget Qt
// then reports as focused (QApplication::focusWidget()), never to a
// control's inner widgets. A test checks QTest::currentTestFailed() or the
// return value when the focus could not be given.
namespace userInput {

// Clicks where a user would click to edit the control: on the inner widget
// under its centre (the line edit of a combo or spin box). True when the
// focus is then inside the control.
bool clickInto(QWidget* control);
// Moves the focus with the Tab key until the control has it (buttons and
// check boxes, where a click would act).
bool tabTo(QWidget* control);
// Clicks into the control, moves to the end of its text and types.
bool typeInto(QWidget* control, const QString& text);
// Clicks into the control, selects its whole text and types over it.
bool typeOver(QWidget* control, const QString& text);
// Keys to the focused widget.
void type(const QString& text);
void press(QKeyCombination key);

} // namespace userInput
