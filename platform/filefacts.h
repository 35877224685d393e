#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace platform {

// Facts about one directory entry, as the statistics dialog shows them.
struct FileFacts {
    bool isDirectory = false;
    bool readOnly = false;   // the owner write bit is clear
    bool hidden = false;     // the name starts with "."
    bool system = false;     // never set on Linux
    bool archive = false;    // never set on Linux
    qint64 size = 0;
    std::optional<QDateTime> created;     // UTC; none when the file system keeps no birth time
    QDateTime lastWritten;                // UTC
    QDateTime lastAccessed;               // UTC
};

// The entry's facts, or nothing when there is no such entry.
std::optional<FileFacts> fileFacts(const QString& path);

// The name refers to an existing entry that is not a directory.
bool fileExists(const QString& path);
bool isDirectory(const QString& path);
// The name refers to a regular file (following links): not a folder, FIFO, socket or device.
bool isRegularFile(const QString& path);

// The owner write bit of an existing entry is clear (judged by the mode bits, so it
// holds for root too); false when there is no such entry.
bool isReadOnly(const QString& path);

// Sets the owner write bit, every other bit kept. False when it could not be done.
bool clearReadOnly(const QString& path);

// The folder of the program's own executable, ending in "/".
QString programDir();

// The name made absolute against the current working directory, "." and ".." removed.
QString fullPath(const QString& name);

// The part up to and including the last "/", or empty.
QString directoryPart(const QString& path);
// The part after the last "/".
QString fileNamePart(const QString& path);

// The existing file folder + relative ("Doc/Readme.txt"), each part of relative found
// first in exactly that case, then in any case (the first such entry in name order), so
// that names carried over from systems that ignore case are found too. folder is empty
// (the working folder) or ends with "/". Empty when there is no such file.
QString findFileAnyCase(const QString& folder, const QString& relative);

}  // namespace platform
