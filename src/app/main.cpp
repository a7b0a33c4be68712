// Kvilmar: fills document templates from an identifier list.

#include "app/ListHandover.h"
#include "app/PrintingDialogs.h"
#include "app/ProgramStart.h"
#include "app/SingleInstance.h"
#include "app/StartSwitches.h"
#include "app/Windows.h"
#include "automatic/FillMain.h"
#include "common/ProgramInfo.h"
#include "common/windows/Dialogs.h"
#include "common/windows/ProgramStyle.h"
#include "common/windows/QtDialogs.h"
#include "filling/office/connection/OfficeWait.h"
#include "general/windows/UnitVelGeneral.h"
#include "net/StaleFiles.h"
#include "settings/windows/ProgramIcon.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>

namespace {

void installDialogSeam()
{
    static PrintingDialogs printing;
    installDialogs(qEnvironmentVariable("KVILMAR_DIALOGS") == QLatin1String("print") ? &printing : nullptr);
}

} // namespace

int main(int argc, char** argv)
{
    // The fill command needs no display and may run beside the windows.
    if (argc > 1 && std::strcmp(argv[1], "fill") == 0)
        return fillMain(argc, argv);
    // Nor do the usage and the version, answered before any window is made.
    QStringList parameters;
    for (int i = 1; i < argc; ++i)
        parameters << QString::fromLocal8Bit(argv[i]);
    if (const QString answer = startup::consoleAnswer(parameters); !answer.isEmpty()) {
        std::fputs(answer.toUtf8().constData(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(programInfo::name());
    // Ties the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.kvilmar.Kvilmar"));
    installProgramStyle();
    installRussianQtTexts();
    installDialogSeam();

    SingleInstanceGuard guard;
    if (!guard.problem().isEmpty()) {
        std::fputs((guard.problem() + QLatin1Char('\n')).toUtf8().constData(), stderr);
        showError(guard.problem());
        return 1;
    }
    if (!guard.acquire()) {
        // A list opened from the file manager goes to the copy that runs.
        const QStringList arguments = QApplication::arguments().mid(1);
        if (startup::classify(arguments) == startup::Switch::ListFile
            && ListHandover::handOver(guard.handoverName(), startup::listFileParameter(arguments)))
            return 0;
        const QString message = startup::anotherCopyMessage();
        std::fputs((message + QLatin1Char('\n')).toUtf8().constData(), stderr);
        showInformation(message);
        return 0;
    }

    // What the office's side has to tell without failing (another user's
    // pipe refused) is shown in a box; the fill command prints it instead.
    office::setNoticeSink([](const QString& text) { showInformation(text); });
    // The installed icon's picture, drawn: no search of the icon themes.
    QApplication::setWindowIcon(programWindowIcon());
    // The windows close themselves; the program ends when its start says the work is over.
    QApplication::setQuitOnLastWindowClosed(false);

    staleFiles::cleanUpAtStartup();
    createWindows();
    // Lists that later starts hand over open in the main window.
    ListHandover handover(guard.handoverName());
    QObject::connect(&handover, &ListHandover::fileHanded, FormVelGeneral, &TFormVelGeneral::OpenHandedListFile);
    ProgramStart start(QApplication::arguments().mid(1));
    QObject::connect(&start, &ProgramStart::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    start.beginLater();
    const int result = QApplication::exec();
    destroyWindows();
    return result;
}
