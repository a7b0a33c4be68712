#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary folder that also serves as the program folder
// (KVILMAR_PROGRAM_DIR) while it lives.
class TempFolder {
public:
    explicit TempFolder(bool asProgramFolder = true);
    ~TempFolder();

    QString path() const { return dir_.path() + QLatin1Char('/'); }
    QString file(const QString& name) const { return path() + name; }
    // Writes raw bytes to a file of the folder and returns its path.
    QString write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;
    // Makes a "fifo", a link to /dev/zero ("zero"), a file written an hour
    // ago ("old"), a zip of one part that unpacks to 70 MB and says it
    // holds 1 KB ("packed"), or one of a number of bytes; returns its path.
    QString make(const QString& name, const QByteArray& kind) const;
    // A 64 KB tmpfs over the folder (false when this process may not mount),
    // then made full or read-only: write failures that root meets too.
    bool mountSmallDisk();
    void sealSmallDisk(bool readOnly);

private:
    QTemporaryDir dir_;
    bool asProgramFolder_;
    QByteArray previous_;
    bool mounted_ = false;
};
