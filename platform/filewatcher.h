#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

class QSocketNotifier;

namespace platform {

// Tells when files may have changed on disk: each watched file is watched itself (so a
// write through another hard link is seen) and through its folder (so a replace by rename,
// a delete and a new file of that name are seen). A file's own watch follows the name: it
// is set again on the file now under that name whenever its folder reports the name.
// Bursts of events are told as one notice per file, a short while after the last event.
//
// A notice says only "look again": whether anything really changed is for the caller to
// decide by comparing identities. When the system's watch table is full (or there is no
// inotify at all), files are simply not watched; nothing is said, and the comparisons on
// activation and before saving still find every change.
class FileWatcher : public QObject {
    Q_OBJECT
public:
    explicit FileWatcher(QObject* parent = nullptr);
    ~FileWatcher() override;

    // Counted: a file watched twice (open in two windows) needs two unwatch calls.
    void watch(const QString& path);
    void unwatch(const QString& path);
    // Whether the file and its folder both have a watch of the system's now.
    bool isWatched(const QString& path) const;
    // Sets again the watches that were lost (a folder that was removed and made again,
    // a table that had no room); cheap when nothing was lost.
    void rearm();
    // How long a burst may go quiet before it is told.
    void setQuietTime(int milliseconds) { timer_.setInterval(milliseconds); }

signals:
    // Files whose folder or inode reported something since the last notice, each once.
    void filesChanged(const QStringList& paths);

private:
    struct Watched {
        int count = 0;
        int fileWatch = -1;  // the inode's watch, -1 when it has none
    };
    void readEvents();
    void armFile(const QString& path, Watched& entry);
    void armFolder(const QString& folder);
    void dropWatch(int wd);
    void noticeName(const QString& path);

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QHash<QString, Watched> files_;           // path -> its entry
    QHash<QString, int> folders_;             // folder (ending in "/") -> its watch
    QHash<QString, int> folderUse_;           // folder -> watched files in it
    QHash<int, QString> folderOf_;            // folder watch -> its folder
    QHash<int, QSet<QString>> byWatch_;       // file watch -> the names it stands for (hard links)
    QHash<int, int> watchUse_;                // file watch -> how many entries share it
    QSet<QString> pending_;
    QTimer timer_;
};

}  // namespace platform
