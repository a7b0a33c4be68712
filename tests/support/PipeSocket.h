#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// A socket in the place of an office pipe, as another program leaves it:
// listening and never answering, or dead; of the given owner.
class PipeSocket {
public:
    PipeSocket(const QString& path, bool listening, uid_t owner);
    ~PipeSocket();
    PipeSocket(const PipeSocket&) = delete;
    PipeSocket& operator=(const PipeSocket&) = delete;

    bool made() const { return made_; }
    // Whether anyone connected to it.
    bool reached() const;

    // Where LibreOffice keeps the socket of a pipe.
    static QString pathOf(const QString& pipe);

private:
    QByteArray path_;
    int fd_ = -1;
    bool made_ = false;
};
