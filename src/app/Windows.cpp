#include "app/Windows.h"

#include "app/WindowLinks.h"
#include "common/windows/LazyWindows.h"
#include "general/windows/UnitVelGeneral.h"

// The main window's create handler reads the last-files file, whose names
// the start window offers when it is made.
void createWindows()
{
    lazyWindows::setLinker(&connectWindows);
    lazyWindows::made(FormVelGeneral);
}

void destroyWindows()
{
    lazyWindows::deleteAll();
}
