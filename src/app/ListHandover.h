#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

// A list file opened from the file manager while the program runs: the
// second start hands its name to the copy that holds the lock, over a local
// socket beside the lock. The socket lies in the user's private folder, so
// no other user can reach it or take its name first, and only a peer of the
// same user is heard.
class ListHandover : public QObject {
    Q_OBJECT

public:
    // The copy holding the lock listens on the socket of that name. A
    // socket left there by a copy that crashed is replaced. Without the
    // socket the program runs on, only without taking files.
    explicit ListHandover(const QString& socketName, QObject* parent = nullptr);

    // A later start: hands the file's full name over and returns true once
    // the running copy has taken it; false when no copy answers in time.
    static bool handOver(const QString& socketName, const QString& fileName);

signals:
    void fileHanded(const QString& fileName);

private:
    void take(QLocalSocket* peer);

    QLocalServer* server_;
};
