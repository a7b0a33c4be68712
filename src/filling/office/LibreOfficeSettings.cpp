#include "filling/office/LibreOfficeSettings.h"

#include "filling/office/OfficePipe.h"

#include <QUrl>

#include <algorithm>

namespace office::lo {

namespace {

int secondsFromEnvironment(const char* name, int fallback, int most)
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue(name, &ok);
    return ok && seconds > 0 ? std::min(seconds, most) : fallback;
}

} // namespace

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
    s.waitSeconds = secondsFromEnvironment("KVILMAR_OFFICE_WAIT", s.waitSeconds, kMaxWaitSeconds);
    return s;
}

int callWaitSeconds()
{
    return secondsFromEnvironment("KVILMAR_OFFICE_CALL_WAIT", 600, kMaxCallWaitSeconds);
}

} // namespace office::lo
