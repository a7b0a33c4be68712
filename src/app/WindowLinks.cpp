#include "app/WindowLinks.h"

#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelSumList.h"
#include "amounts/windows/UnitVelnds.h"
#include "common/SaveCopies.h"
#include "filling/windows/UnitVelTest.h"
#include "general/windows/UnitVelGeneral.h"
#include "settings/windows/UnitVelOptions.h"

#include <QPointer>

namespace {

template <class Sender, class Signal, class Receiver, class Slot>
void link(Sender* sender, Signal signal, Receiver* receiver, Slot slot)
{
    if (sender && receiver)
        QObject::connect(sender, signal, receiver, slot, Qt::UniqueConnection);
}

// The mode is off at every start, so copies left by a killed save are named
// as soon as the user switches it on. A link to a function is not kept
// unique by Qt: the debugger it was made for is remembered.
void linkDebugger()
{
    static QPointer<TFormTest> linked;
    if (!FormTest || linked == FormTest)
        return;
    QObject::connect(FormTest, &QDialog::accepted, &saveCopies::traceLeftoverCopies);
    linked = FormTest;
}

} // namespace

void connectWindows()
{
    link(FormCommands, &TFormCommands::replacementOffered, FormVelGeneral, &TFormVelGeneral::offerReplacement);
    link(FormVelnds, &TFormVelnds::replacementOffered, FormVelGeneral, &TFormVelGeneral::offerReplacement);
    link(FormVelOptions, &TFormVelOptions::fontApplied, FormVelGeneral, &TFormVelGeneral::applyFontRecord);
    link(FormSumList, &TFormSumList::amountPicked, FormCommands, &TFormCommands::takePickedAmount);
    link(FormSumList, &TFormSumList::amountPicked, FormVelnds, &TFormVelnds::takePickedAmount);
    linkDebugger();
}
