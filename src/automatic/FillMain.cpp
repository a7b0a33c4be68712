#include "automatic/FillMain.h"

#include "automatic/OfficeFill.h"
#include "common/ProgramInfo.h"
#include "filling/office/OfficeWait.h"

#include <QCoreApplication>

int fillMain(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(programInfo::name());
    // An office this command has to start shows no windows; one that already
    // answers on the program's pipe is used as it is.
    if (!qEnvironmentVariableIsSet("KVILMAR_OFFICE_HEADLESS"))
        qputenv("KVILMAR_OFFICE_HEADLESS", "1");
    automatic::StdConsole console;
    // What the office layer has to tell (a pipe of another user refused) is
    // a line of its own, over the progress bar.
    office::setNoticeSink([&console](const QString& text) { automatic::tellLine(console, text); });
    automatic::OfficeFill office(&console);
    const int code = automatic::runFillCommand(QCoreApplication::arguments(), office, console);
    office.endOwnOffice();
    return code;
}
