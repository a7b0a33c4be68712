#pragma once

#include "common/ProgramVersion.h"

#include <QString>

// The program's name, version and release date as the about window shows
// them, and the maker's web server and mail address.
namespace programInfo {

inline QString name()
{
    return QStringLiteral("Квилмар");
}
inline QString versionCaption()
{
    return QStringLiteral("v " KVILMAR_VERSION);
}
inline QString dateCaption()
{
    return QStringLiteral("17 октября 2000 г.");
}

// The maker's web server: host or host:port. KVILMAR_SERVER overrides the
// built-in one (tests point it at 127.0.0.1).
QString makerServer();
inline QString homePageUrl()
{
    return QStringLiteral("http://") + makerServer() + QStringLiteral("/brennic/index.htm");
}
inline QString makerMail()
{
    return QStringLiteral("authors@kvilmar.ru");
}

} // namespace programInfo
