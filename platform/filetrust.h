#pragma once

#include "platform/fileidentity.h"

#include <QByteArray>
#include <QString>

#include <sys/types.h>

namespace platform {

// As many links as the kernel follows before it gives up with ELOOP.
inline constexpr int kMaxLinkHops = 40;

// Who may steer what the program opens. A symbolic link that another user made in a folder
// that others may write (sticky, or writable by its group or by everybody) is never followed,
// for reading or writing, whoever runs the program: the same rule as the kernel's
// protected_symlinks, made to hold for root and on systems that switched it off.

// Empty when every link on the way to the file (the last part of the path and the links it
// leads through) may be followed; otherwise the German sentence that says why not.
QString unsafeLinkProblem(const QString& path);

// The settings file is read only up to this size; a larger one is not used.
qint64 settingsSizeLimit();
// For tests: another limit (0: back to the normal 64 MB).
void setSettingsSizeLimit(qint64 bytes);

enum class OwnFileState {
    Missing,     // nothing there, or a folder (which is no file)
    Usable,      // a regular file of this user, or root's and closed to writes of others
    Refused,     // there, but not to be used: see the problem text
};

// Whether a settings file found at path may be used. Never blocks: the type is learnt before
// the file is opened and checked again on the open descriptor, so a FIFO or a device is never
// read. problem gets the German sentence for a refused file (without a final full stop).
OwnFileState ownFileState(const QString& path, QString* problem = nullptr);

enum class OwnReadResult { Missing, Read, Refused };

// Reads a file that ownFileState() would accept, in one open: at most settingsSizeLimit()
// bytes, never blocking. With skipIfStamp, a file whose stamp equals *skipIfStamp is not read
// again (content stays empty, the result is Read). stamp gets what the file was.
OwnReadResult readOwnFile(const QString& path, QByteArray& content, FileStamp* stamp = nullptr,
                          const FileStamp* skipIfStamp = nullptr, QString* problem = nullptr);

}  // namespace platform
