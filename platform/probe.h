#pragma once

#include <QString>

namespace platform {

enum class ProbeResult { Ok, OpenFailed, CloseFailed };

// Tests that a file can be written: opens it for writing, creating it when it is missing,
// but never cuts an existing file, then closes it again.
ProbeResult probeWritable(const QString& path);

// Removes the file when it exists and is empty (what a probe left behind).
void removeEmptyFile(const QString& path);

}  // namespace platform
