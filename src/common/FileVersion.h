#pragma once

#include <QDateTime>
#include <QFileInfo>
#include <QString>

// A file as it stands: where it is, how long, when it last changed. Two equal
// versions are taken to hold the same content.
struct FileVersion {
    QString path;
    qint64 size = -1;
    QDateTime modified;

    static FileVersion of(const QString& name)
    {
        const QFileInfo file(name);
        return {file.absoluteFilePath(), file.size(), file.lastModified()};
    }

    bool operator==(const FileVersion&) const = default;
};
