#pragma once

#include "platform/savebackup.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace platform {

// Writes a file so that afterwards it holds either the complete new content or its old
// content, never a mix and never nothing: the bytes go into a temporary file in the same
// folder, which is flushed to disk and renamed over the target only once every byte is
// written. The replacement keeps what the file is: its permission bits, owner, group and
// extended attributes (ACLs among them); a symbolic link is followed so that its target is
// replaced, not the link.
//
// Where a replacement cannot keep that (a file with more than one hard link, an owner or
// an attribute that cannot be carried over, a folder that refuses new files, a name too
// long for a temporary sibling), the target is written in place: its new length is
// reserved and the part beyond the old end written before any old byte is overwritten, and
// a failure puts the old bytes back, so that a full disk never costs the old content.
//
// A target whose owner write bit is clear (the read-only attribute) is refused with
// EACCES, for root too.
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
    bool writesInPlace() const { return inPlace_; }  // known after open()

private:
    bool fail(int error);
    bool flushBuffer();
    bool openTemporary(const QByteArray& native, bool exists, unsigned mode, unsigned owner, unsigned group);
    bool openInPlace(const QByteArray& native);
    void dropTemporary();
    bool commitInPlace();
    bool giveName();
    bool replaceInPlaceInstead();

    QString target_;
    QString tempPath_;
    int fd_ = -1;
    bool inPlace_ = false;
    bool unnamed_ = false;  // an O_TMPFILE temporary, named only just before the rename
    SaveNote note_;         // the old bytes or the temporary's name, for an interrupted save
    QString problem_;       // why the target was refused, when errno alone does not say
    bool canRead_ = false;  // the in-place descriptor can read the old bytes back
    bool committed_ = false;
    int error_ = 0;
    QByteArray buffer_;
};

// Writes the whole of data through AtomicFileWriter; the errno of a failure goes to *error.
bool writeFileAtomically(const QString& path, const QByteArray& data, int* error = nullptr);

// Fault injection for tests: while a hook is set, every AtomicFileWriter whose target the
// hook answers with a non-zero errno fails its writes with that errno (ENOSPC for a full
// disk, say). An empty hook switches injection off.
using WriteFaultHook = std::function<int(const QString& target)>;
void setWriteFaultHook(WriteFaultHook hook);

// Finer fault injection for tests: the hook is asked before each step of a write and fails
// that step with the errno it answers (0: the step runs).
enum class WriteStep {
    CreateTemporary,  // the temporary sibling is created
    CarryOwner,       // owner and group go over to the temporary file
    CarryAttributes,  // extended attributes go over to the temporary file
    Reserve,          // in place: the new length is reserved
    WriteInPlace,     // in place: one block of bytes is written into the target
    Rename,           // the temporary file is renamed over the target
};
using WriteStepHook = std::function<int(WriteStep step, const QString& target)>;
void setWriteStepHook(WriteStepHook hook);

}  // namespace platform
