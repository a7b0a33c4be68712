// Started by SocketClientTest: connects to a host whose look-up the name
// server keeps waiting on (argument 1), gives up at the time-out, prints
// the error and ends. It must end at once, with nothing leaked.

#include "net/SockError.h"
#include "net/SocketClient.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TSocketClient client;
    client.TimeOut = 200;
    client.Host = argc > 1 ? QByteArray(argv[1]) : QByteArray("60000.slow.test");
    client.Port = 80;
    try {
        client.Connect();
    } catch (const ESockError& e) {
        std::puts(e.text().toUtf8().constData());
    }
    return 0;
}
