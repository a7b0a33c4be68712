#include "filling/office/LibreOfficeSettings.h"

#include "filling/office/OfficePipe.h"

#include <QUrl>

#include <algorithm>

namespace office::lo {

QString Settings::acceptString() const
{
    return QStringLiteral("pipe,name=%1;urp;StarOffice.ComponentContext").arg(pipe);
}

QStringList Settings::startArguments() const
{
    QStringList args;
    if (headless)
        args << QStringLiteral("--headless") << QStringLiteral("--invisible");
    args << QStringLiteral("--nologo") << QStringLiteral("--nodefault")
         << QStringLiteral("--norestore") << QStringLiteral("--nolockcheck")
         << QStringLiteral("--accept=") + acceptString();
    if (!profile.isEmpty())
        args << QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(profile).toString(QUrl::FullyEncoded);
    return args;
}

Settings settingsFromEnvironment()
{
    Settings s;
    s.pipe = qEnvironmentVariable("KVILMAR_OFFICE_PIPE");
    if (s.pipe.isEmpty())
        s.pipe = ownPipeName();
    s.headless = qEnvironmentVariable("KVILMAR_OFFICE_HEADLESS") == QLatin1String("1");
    s.profile = qEnvironmentVariable("KVILMAR_OFFICE_PROFILE");
    s.program = qEnvironmentVariable("KVILMAR_OFFICE_PROGRAM");
    if (s.program.isEmpty())
        s.program = QStringLiteral("soffice");
    bool ok = false;
    const int wait = qEnvironmentVariableIntValue("KVILMAR_OFFICE_WAIT", &ok);
    if (ok && wait > 0)
        s.waitSeconds = std::min(wait, kMaxWaitSeconds);
    return s;
}

} // namespace office::lo
