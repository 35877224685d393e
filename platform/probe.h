#pragma once

#include <QString>

namespace platform {

enum class ProbeResult { Ok, OpenFailed, CloseFailed };

// The file a probe created where there was none: its path at the end of any symbolic links
// and its identity, so that only that very file is ever removed again.
struct ProbeCreated {
    QString path;  // empty when the probe created nothing
    quint64 device = 0;
    quint64 inode = 0;
};

// Tests that a file can be written: opens it for writing, creating it when it is missing,
// but never cuts an existing file, then closes it again. What it created goes to *created;
// when the file cannot be written, the German reason goes to *reason.
ProbeResult probeWritable(const QString& path, ProbeCreated* created = nullptr, QString* reason = nullptr);

// Removes the file the probe created, when it is still that file and still empty. A
// symbolic link that led to it stays as it was.
void removeProbeFile(const ProbeCreated& created);

// Removes the file when it exists and is empty (what a probe left behind).
void removeEmptyFile(const QString& path);

}  // namespace platform
