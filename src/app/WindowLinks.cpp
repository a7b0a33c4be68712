#include "app/WindowLinks.h"

#include "amounts/windows/UnitVelCommands.h"
#include "amounts/windows/UnitVelSumList.h"
#include "amounts/windows/UnitVelnds.h"
#include "general/windows/UnitVelGeneral.h"
#include "settings/windows/UnitVelOptions.h"

namespace {

template <class Sender, class Signal, class Receiver, class Slot>
void link(Sender* sender, Signal signal, Receiver* receiver, Slot slot)
{
    if (sender && receiver)
        QObject::connect(sender, signal, receiver, slot, Qt::UniqueConnection);
}

} // namespace

void connectWindows()
{
    link(FormCommands, &TFormCommands::replacementOffered, FormVelGeneral, &TFormVelGeneral::offerReplacement);
    link(FormVelnds, &TFormVelnds::replacementOffered, FormVelGeneral, &TFormVelGeneral::offerReplacement);
    link(FormVelOptions, &TFormVelOptions::fontApplied, FormVelGeneral, &TFormVelGeneral::applyFontRecord);
    link(FormSumList, &TFormSumList::amountPicked, FormCommands, &TFormCommands::takePickedAmount);
    link(FormSumList, &TFormSumList::amountPicked, FormVelnds, &TFormVelnds::takePickedAmount);
}
