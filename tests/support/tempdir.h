#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A temporary folder for one test, with helpers to write and read files in it.
class TestDir {
public:
    TestDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const;  // returns the full path
    static QByteArray read(const QString& path);

private:
    QTemporaryDir dir_;
};
