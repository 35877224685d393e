#include "platform/savebackup.h"

#include "platform/fdio.h"
#include "platform/journalfile.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const QByteArray kMagic = "VXSAVE1\n";
constexpr qsizetype kMaxNameBytes = 255;

std::atomic<int> g_sequence{0};

bool processGone(pid_t pid) { return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH; }

// One note read back: what kind of save, which file, and the old bytes when there are any.
struct Note {
    QByteArray kind;  // "inplace" or "temp"
    QByteArray target;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 oldSize = -1;
    QByteArray old;
    bool complete = false;  // every old byte is there
};

Note parseNote(const QByteArray& bytes)
{
    Note note;
    if (!bytes.startsWith(kMagic))
        return note;
    qsizetype pos = kMagic.size();
    const auto field = [&](QByteArray& out) {
        const qsizetype nl = bytes.indexOf('\n', pos);
        if (nl < 0)
            return false;
        out = bytes.mid(pos, nl - pos);
        pos = nl + 1;
        return true;
    };
    QByteArray device, inode, size, length;
    if (!field(note.kind) || !field(device) || !field(inode) || !field(size) || !field(length))
        return note;
    const qsizetype pathLength = length.toLongLong();
    if (pathLength <= 0 || pos + pathLength + 1 > bytes.size())
        return note;
    note.target = bytes.mid(pos, pathLength);
    pos += pathLength + 1;
    note.device = device.toULongLong();
    note.inode = inode.toULongLong();
    note.oldSize = size.toLongLong();
    if (note.kind == "inplace") {
        note.old = bytes.mid(pos);
        note.complete = note.oldSize >= 0 && note.old.size() == note.oldSize;
    } else {
        note.complete = true;
    }
    return note;
}

QByteArray header(const QByteArray& kind, const QByteArray& target, quint64 device, quint64 inode, qint64 oldSize)
{
    return kMagic + kind + '\n' + QByteArray::number(device) + '\n' + QByteArray::number(inode) + '\n' +
           QByteArray::number(oldSize) + '\n' + QByteArray::number(target.size()) + '\n' + target + '\n';
}

// A temporary sibling made by a save of process pid: "<name>.vxtmp-<pid>-XXXXXX".
bool isTemporaryName(const QByteArray& name, pid_t* pid)
{
    static const QByteArray marker = QByteArrayLiteral(".vxtmp-");
    const qsizetype at = name.lastIndexOf(marker);
    if (at < 0)
        return false;
    const QByteArray rest = name.mid(at + marker.size());  // "<pid>-XXXXXX"
    const qsizetype dash = rest.indexOf('-');
    if (dash <= 0 || rest.size() - dash - 1 != 6)
        return false;
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto isAlnum = [&](char c) { return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const QByteArray digits = rest.left(dash);
    if (!std::all_of(digits.begin(), digits.end(), isDigit))
        return false;
    const QByteArray suffix = rest.mid(dash + 1);
    if (!std::all_of(suffix.begin(), suffix.end(), isAlnum))
        return false;
    bool ok = false;
    *pid = pid_t(digits.toLongLong(&ok));
    return ok;
}

void removeTemporary(const QByteArray& path)
{
    struct stat st {};
    pid_t pid = 0;
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    if (isTemporaryName(name, &pid) && ::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_uid == ::geteuid())
        ::unlink(path.constData());
}

}  // namespace

QString saveBackupFolder()
{
    QString folder = recoveryFolder();
    if (!prepareRecoveryFolder(folder).isEmpty())
        return QString();
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

SaveNote::~SaveNote() { remove(); }

bool SaveNote::create()
{
    if (fd_ >= 0) {
        // A note is rewritten as a whole.
        if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
            return false;
        return true;
    }
    const QString folder = saveBackupFolder();
    if (folder.isEmpty())
        return false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = QStringLiteral("%1/save-backup-%2-%3").arg(folder).arg(::getpid()).arg(++g_sequence);
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            ::unlink(QFile::encodeName(path).constData());
            return false;
        }
        fd_ = fd;
        path_ = path;
        return true;
    }
    return false;
}

bool SaveNote::keepOldBytes(const QString& target, dev_t device, ino_t inode, const QByteArray& old)
{
    if (!create())
        return false;
    const QByteArray head = header("inplace", QFile::encodeName(target), device, inode, old.size());
    if (!writeFully(fd_, head.constData(), head.size()) || !writeFully(fd_, old.constData(), old.size()) ||
        ::fsync(fd_) != 0) {
        remove();
        return false;
    }
    syncFolder(QFileInfo(path_).absolutePath());
    return true;
}

bool SaveNote::noteTemporary(const QString& temporary)
{
    if (!create())
        return false;
    const QByteArray head = header("temp", QFile::encodeName(temporary), 0, 0, 0);
    if (!writeFully(fd_, head.constData(), head.size())) {
        remove();
        return false;
    }
    return true;
}

void SaveNote::remove()
{
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
}

QStringList recoverInterruptedSaves()
{
    QStringList told;
    const QString folder = saveBackupFolder();
    if (folder.isEmpty())
        return told;
    const QByteArray nativeFolder = QFile::encodeName(folder);
    DIR* dir = ::opendir(nativeFolder.constData());
    if (!dir)
        return told;
    QList<QByteArray> names;
    while (const dirent* entry = ::readdir(dir))
        if (QByteArray(entry->d_name).startsWith("save-backup-") && !QByteArray(entry->d_name).endsWith(".old"))
            names.append(QByteArray(entry->d_name));
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    for (const QByteArray& name : names) {
        const QByteArray path = nativeFolder + '/' + name;
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat st {};
        // The lock is held while its save runs: a note that cannot be locked is not ours to judge.
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
            ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            continue;
        }
        // A read that fails part way leaves a note that is not complete.
        QByteArray bytes;
        (void)readToEnd(fd, &bytes);
        const Note note = parseNote(bytes);
        const QString shown = QFile::decodeName(note.target);
        if (note.kind == "temp") {
            removeTemporary(note.target);
        } else if (note.kind == "inplace" && note.complete) {
            struct stat now {};
            const int target = ::open(note.target.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
            if (target >= 0 && ::fstat(target, &now) == 0 && S_ISREG(now.st_mode) && quint64(now.st_dev) == note.device &&
                quint64(now.st_ino) == note.inode) {
                const bool restored = writeFullyAt(target, note.old.constData(), note.old.size(), 0) &&
                                      ::ftruncate(target, off_t(note.old.size())) == 0 && ::fsync(target) == 0;
                told.append(restored ? QStringLiteral("Das Speichern von \"%1\" wurde unterbrochen; der alte Inhalt der "
                                                      "Datei wurde wiederhergestellt.")
                                           .arg(shown)
                                     : QStringLiteral("Das Speichern von \"%1\" wurde unterbrochen, und der alte Inhalt "
                                                      "konnte nicht wiederhergestellt werden.")
                                           .arg(shown));
                if (!restored) {
                    // The old bytes stay where the user can take them.
                    ::close(target);
                    ::close(fd);
                    continue;
                }
            } else {
                // The file is gone or another one stands there now: it is not touched, and the
                // old bytes are kept for the user.
                const QByteArray kept = nativeFolder + "/" + name + ".old";
                const int keptFd = ::open(kept.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
                const bool written = keptFd >= 0 && writeFully(keptFd, note.old.constData(), note.old.size()) &&
                                     ::fsync(keptFd) == 0;
                if (keptFd >= 0)
                    ::close(keptFd);
                if (written && ::unlink(path.constData()) == 0)
                    told.append(QStringLiteral("Das Speichern von \"%1\" wurde unterbrochen; die Datei wurde seither "
                                               "ersetzt. Ihr alter Inhalt liegt in \"%2\".")
                                    .arg(shown, QFile::decodeName(kept)));
                if (target >= 0)
                    ::close(target);
                ::close(fd);
                continue;
            }
            if (target >= 0)
                ::close(target);
        }
        // An incomplete backup means the target was never touched: the note simply goes.
        ::unlink(path.constData());
        ::close(fd);
    }
    return told;
}

QByteArray temporaryPattern(const QByteArray& native)
{
    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = native.left(slash + 1);
    QByteArray name = native.mid(slash + 1);
    const QByteArray suffix = ".vxtmp-" + QByteArray::number(::getpid()) + "-XXXXXX";
    const qsizetype room = kMaxNameBytes - suffix.size();
    if (name.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    return folder + name + suffix;
}

void removeStaleTemporaries(const QByteArray& nativeTarget)
{
    const qsizetype slash = nativeTarget.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : nativeTarget.left(slash);
    DIR* dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        pid_t pid = 0;
        if (isTemporaryName(name, &pid) && pid != ::getpid() && processGone(pid))
            stale.append(folder + '/' + name);
    }
    ::closedir(dir);
    for (const QByteArray& path : stale)
        removeTemporary(path);
}

}  // namespace platform
