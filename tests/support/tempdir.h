#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A path as the system calls take it.
inline QByteArray nativeName(const QString& path) { return QFile::encodeName(path); }

// A temporary folder for one test, with helpers to write and read files in it.
class TestDir {
public:
    TestDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const;  // returns the full path
    static QByteArray read(const QString& path);
    // Adds bytes at the end of a file, as another program does.
    static void append(const QString& path, const QByteArray& bytes);

private:
    QTemporaryDir dir_;
};
