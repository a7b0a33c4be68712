#include "app/Windows.h"

#include "app/UnitVelStart.h"
#include "app/WindowLinks.h"
#include "common/windows/LazyWindows.h"
#include "general/windows/UnitVelGeneral.h"

// The main window's create handler reads the last-files file, whose names
// the start window then offers.
void createWindows(const QStringList& parameters)
{
    lazyWindows::setLinker(&connectWindows);
    lazyWindows::made(FormVelStart)->setCommandLine(parameters);
    FormVelStart->AddRememberedFiles(lazyWindows::made(FormVelGeneral)->remembered());
}

void destroyWindows()
{
    lazyWindows::deleteAll();
}
