#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Whole reads and writes on an open file descriptor: a short transfer goes on where it
// stopped and an interrupted one is tried again.
namespace platform {

// All of data written at the file position; false with errno set.
bool writeFully(int fd, const char* data, qint64 size);
// All of data written at offset, the file position left alone; false with errno set.
bool writeFullyAt(int fd, const char* data, qint64 size, qint64 offset);
// Everything from the file position to its end, into out; false with errno set.
bool readToEnd(int fd, QByteArray* out);
// Makes the entries of a folder durable, after a rename or a new name in it. A folder
// that cannot be opened is passed over.
void syncFolder(const QString& folder);

}  // namespace platform
