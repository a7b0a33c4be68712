#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

// A list file opened from the file manager while the program runs: the
// second start hands its name to the copy that holds the lock, over a local
// socket beside the lock. The socket lies in the user's private folder, so
// no other user can reach it or take its name first, and only a peer of the
// same user is heard. Plain sockets of the system, watched by the event
// loop: the program starts without a network library.
class ListHandover : public QObject {
    Q_OBJECT

public:
    // The copy holding the lock listens on the socket of that name. A
    // socket left there by a copy that crashed is replaced. Without the
    // socket the program runs on, only without taking files.
    explicit ListHandover(const QString& socketName, QObject* parent = nullptr);
    ~ListHandover() override;
    ListHandover(const ListHandover&) = delete;
    ListHandover& operator=(const ListHandover&) = delete;

    // A later start: hands the file's full name over and returns true once
    // the running copy has taken it; false when no copy answers in time.
    static bool handOver(const QString& socketName, const QString& fileName);

signals:
    void fileHanded(const QString& fileName);

private:
    void takeConnections();
    void take(int peer);

    QByteArray path_;
    int server_ = -1;
    QSocketNotifier* waiting_ = nullptr;
};
