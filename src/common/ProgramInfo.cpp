#include "common/ProgramInfo.h"

namespace programInfo {

QString makerServer()
{
    const QString server = qEnvironmentVariable("KVILMAR_SERVER");
    return server.isEmpty() ? QStringLiteral("www.kvilmar.ru") : server;
}

} // namespace programInfo
