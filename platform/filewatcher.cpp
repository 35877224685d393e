#include "platform/filewatcher.h"

#include "platform/filefacts.h"

#include <QFile>
#include <QSocketNotifier>
#include <cerrno>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr uint32_t kFileEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;
constexpr uint32_t kFolderEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF |
    IN_MOVE_SELF;

}  // namespace

FileWatcher::FileWatcher(QObject* parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    timer_.setInterval(150);
    connect(&timer_, &QTimer::timeout, this, [this] {
        QStringList paths(pending_.begin(), pending_.end());
        pending_.clear();
        paths.sort();
        if (!paths.isEmpty())
            emit filesChanged(paths);
    });
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ >= 0) {
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] { readEvents(); });
    }
}

FileWatcher::~FileWatcher()
{
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void FileWatcher::watch(const QString& path)
{
    if (path.isEmpty())
        return;
    Watched& entry = files_[path];
    if (entry.count++ > 0)
        return;
    const QString folder = directoryPart(path);
    if (folderUse_[folder]++ == 0)
        armFolder(folder);
    armFile(path, entry);
}

void FileWatcher::unwatch(const QString& path)
{
    auto it = files_.find(path);
    if (it == files_.end())
        return;
    if (--it->count > 0)
        return;
    if (it->fileWatch >= 0) {
        byWatch_[it->fileWatch].remove(path);
        dropWatch(it->fileWatch);
    }
    files_.erase(it);
    pending_.remove(path);
    const QString folder = directoryPart(path);
    if (--folderUse_[folder] <= 0) {
        folderUse_.remove(folder);
        if (const int wd = folders_.take(folder); wd >= 0 && fd_ >= 0) {
            folderOf_.remove(wd);
            ::inotify_rm_watch(fd_, wd);
        }
    }
}

bool FileWatcher::isWatched(const QString& path) const
{
    const auto it = files_.constFind(path);
    return it != files_.constEnd() && it->fileWatch >= 0 && folders_.value(directoryPart(path), -1) >= 0;
}

void FileWatcher::armFolder(const QString& folder)
{
    if (fd_ < 0 || folder.isEmpty())
        return;
    const int wd = ::inotify_add_watch(fd_, QFile::encodeName(folder).constData(), kFolderEvents | IN_ONLYDIR);
    if (wd < 0) {
        folders_.insert(folder, -1);  // a full table or no such folder: the comparisons remain
        return;
    }
    folders_.insert(folder, wd);
    folderOf_.insert(wd, folder);
}

void FileWatcher::rearm()
{
    for (auto it = folders_.begin(); it != folders_.end(); ++it)
        if (it.value() < 0)
            armFolder(it.key());
    for (auto it = files_.begin(); it != files_.end(); ++it)
        if (it->fileWatch < 0)
            armFile(it.key(), *it);
}

void FileWatcher::armFile(const QString& path, Watched& entry)
{
    if (fd_ < 0)
        return;
    const int wd = ::inotify_add_watch(fd_, QFile::encodeName(path).constData(), kFileEvents);
    if (wd == entry.fileWatch)
        return;  // still the same file under that name
    if (entry.fileWatch >= 0) {
        byWatch_[entry.fileWatch].remove(path);
        dropWatch(entry.fileWatch);
    }
    entry.fileWatch = wd;
    if (wd < 0)
        return;
    byWatch_[wd].insert(path);
    ++watchUse_[wd];
}

void FileWatcher::dropWatch(int wd)
{
    if (--watchUse_[wd] > 0)
        return;
    watchUse_.remove(wd);
    byWatch_.remove(wd);
    if (fd_ >= 0)
        ::inotify_rm_watch(fd_, wd);
}

void FileWatcher::noticeName(const QString& path)
{
    pending_.insert(path);
    timer_.start();
}

void FileWatcher::readEvents()
{
    alignas(struct inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const struct inotify_event*>(p);
            p += sizeof(struct inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                // Events were lost: every file is looked at again.
                for (auto it = files_.begin(); it != files_.end(); ++it)
                    noticeName(it.key());
                continue;
            }
            if (const auto folderIt = folderOf_.constFind(event->wd); folderIt != folderOf_.constEnd()) {
                const QString folder = folderIt.value();
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                    // The folder itself went: every file in it is looked at again, and its
                    // watch is set again when the folder is back (rearm).
                    for (auto it = files_.begin(); it != files_.end(); ++it)
                        if (directoryPart(it.key()) == folder)
                            noticeName(it.key());
                    folderOf_.remove(event->wd);
                    if (!(event->mask & IN_IGNORED))
                        ::inotify_rm_watch(fd_, event->wd);  // a moved folder no longer stands for its name
                    if (folders_.contains(folder))
                        folders_[folder] = -1;
                    continue;
                }
                if (event->len == 0)
                    continue;
                const QString path = folder + QFile::decodeName(event->name);
                auto it = files_.find(path);
                if (it == files_.end())
                    continue;
                // A new file under the name (a replace by rename, a file made again) gets the watch.
                armFile(path, *it);
                noticeName(path);
                continue;
            }
            const QSet<QString> paths = byWatch_.value(event->wd);
            if (event->mask & IN_IGNORED) {
                // The inode is gone: its watch was removed by the system.
                for (const QString& path : paths) {
                    auto it = files_.find(path);
                    if (it != files_.end() && it->fileWatch == event->wd)
                        it->fileWatch = -1;
                }
                watchUse_.remove(event->wd);
                byWatch_.remove(event->wd);
            }
            for (const QString& path : paths)
                noticeName(path);
        }
    }
}

}  // namespace platform
