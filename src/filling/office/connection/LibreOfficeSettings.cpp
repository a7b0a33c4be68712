#include "filling/office/connection/LibreOfficeSettings.h"

#include "common/PrivateFolder.h"
#include "filling/office/connection/LibreOfficeLoad.h"
#include "filling/office/connection/OfficePipe.h"

#include <algorithm>

namespace office::lo {

namespace {

constexpr qint64 kMegabyte = 1024 * 1024;
constexpr qint64 kLeastAddressSpace = 2048 * kMegabyte;

int secondsFromEnvironment(const char* name, int fallback, int most)
{
    bool ok = false;
    const int seconds = qEnvironmentVariableIntValue(name, &ok);
    return ok && seconds > 0 ? std::min(seconds, most) : fallback;
}

} // namespace

QStringList Settings::startArguments() const
{
    QStringList args;
    if (headless)
        args << QStringLiteral("--headless") << QStringLiteral("--invisible");
    args << QStringLiteral("--nologo") << QStringLiteral("--nodefault") << QStringLiteral("--norestore")
         << QStringLiteral("--nolockcheck") << QStringLiteral("-env:UserInstallation=") + fileUrl(profile);
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
    if (s.profile.isEmpty()) {
        const QString own = privateFolder::ownFolder(QStringLiteral("office"), &s.profileProblem);
        if (!own.isEmpty())
            s.profile = own + QStringLiteral("/profile");
    }
    s.program = qEnvironmentVariable("KVILMAR_OFFICE_PROGRAM");
    if (s.program.isEmpty())
        s.program = QStringLiteral("soffice");
    s.waitSeconds = secondsFromEnvironment("KVILMAR_OFFICE_WAIT", s.waitSeconds, kMaxWaitSeconds);
    s.addressSpaceBytes = std::max(kLeastAddressSpace, 4 * officeMemoryLimit());
    return s;
}

int callWaitSeconds()
{
    return secondsFromEnvironment("KVILMAR_OFFICE_CALL_WAIT", 600, kMaxCallWaitSeconds);
}

qint64 officeMemoryLimit()
{
    bool ok = false;
    const qint64 megabytes = qEnvironmentVariable("KVILMAR_OFFICE_MEMORY").toLongLong(&ok);
    return (ok && megabytes > 0 ? std::min<qint64>(megabytes, 1024 * 1024) : 768) * kMegabyte;
}

} // namespace office::lo
