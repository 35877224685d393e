// The settings file at start and at exit when it is large: a file of 100 MB of comment lines
// (under a raised size limit) read as a start reads it and written as a shutdown writes it.
// Goal: at most 1 s each.
//
//   ./build/bench/bench_settings_bench [folder]

#include "platform/filetrust.h"
#include "platform/iniprofile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp/varnotex-bench");
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/VARNX-100mb.ini");
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("[MainWindow]\r\nWidth=700\r\n[Save]\r\nAutoSaveSettings=1\r\n");
        const QByteArray line = "; a comment line of the kind a user leaves in the file, kept byte for byte\r\n";
        QByteArray block;
        for (int i = 0; i < 10000; ++i)
            block += line;
        while (file.size() < (qint64(100) << 20))
            file.write(block);
    }
    platform::setSettingsSizeLimit(qint64(128) << 20);
    platform::FileIniProfileService service;

    QElapsedTimer timer;
    timer.start();
    // The reads of a start: some twenty keys.
    int found = 0;
    for (int i = 0; i < 20; ++i)
        found += service.readString(path, QStringLiteral("MainWindow"), QStringLiteral("Width"), QString()).isEmpty() ? 0 : 1;
    const qint64 start = timer.elapsed();

    timer.restart();
    QList<platform::IniChange> changes;
    for (int i = 0; i < 50; ++i)
        changes.append({platform::IniChange::Kind::Write, QStringLiteral("Toolbar_%1").arg(i % 6), QStringLiteral("Key%1").arg(i),
                        QString::number(i)});
    service.writeChanges(path, changes);
    const qint64 exit = timer.elapsed();

    // Where the time goes: the file read alone, and the changes made in memory alone.
    timer.restart();
    QByteArray content;
    platform::readOwnFile(path, content);
    const qint64 readOnly = timer.elapsed();
    timer.restart();
    bool needed = false;
    const QByteArray changed = platform::initext::applyChanges(content, changes, &needed);
    const qint64 inMemory = timer.elapsed();
    std::printf("  of which: reading the bytes %lld ms; parsing, changing and joining in memory %lld ms\n",
                static_cast<long long>(readOnly), static_cast<long long>(inMemory));
    std::printf("settings file of 100 MB: start (20 reads) %lld ms, exit (50 writes) %lld ms; goal: at most 1000 ms each\n",
                static_cast<long long>(start), static_cast<long long>(exit));
    QFile::remove(path);
    return found == 20 ? 0 : 2;
}
