#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

// Writes a file so that afterwards it holds either the complete new content or its old
// content, never a mix and never nothing: the bytes go into a temporary file in the same
// folder, which is flushed to disk and renamed over the target only once every byte is
// written. The target's permission bits are kept; a symbolic link is followed so that its
// target is replaced, not the link. When the folder does not allow a new file but the
// target itself is writable, the target is written in place instead.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(QString target);
    ~AtomicFileWriter();  // throws away an uncommitted temporary file
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    bool open();
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& data) { return write(data.constData(), data.size()); }
    bool commit();

    int error() const { return error_; }  // errno of the first failure, 0 when none
    QString errorText() const;

private:
    bool fail(int error);
    bool flushBuffer();

    QString target_;
    QString tempPath_;
    int fd_ = -1;
    bool inPlace_ = false;
    bool committed_ = false;
    int error_ = 0;
    QByteArray buffer_;
};

// Writes the whole of data through AtomicFileWriter; the errno of a failure goes to *error.
bool writeFileAtomically(const QString& path, const QByteArray& data, int* error = nullptr);

// Fault injection for tests: while a hook is set, every AtomicFileWriter whose target the
// hook answers with a non-zero errno fails its writes with that errno (ENOSPC for a full
// disk, say). An empty hook switches injection off. The environment variable
// VARNOTEX_FAIL_WRITES, when set at start-up, makes writes to targets whose path contains
// its value fail with ENOSPC, for end-to-end tests of the built program.
using WriteFaultHook = std::function<int(const QString& target)>;
void setWriteFaultHook(WriteFaultHook hook);

}  // namespace platform
