#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

TestDir::TestDir() : dir_(QDir::tempPath() + QStringLiteral("/varnotex-test-XXXXXX")) {}

QString TestDir::write(const QString& name, const QByteArray& bytes) const
{
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
    return path;
}

QByteArray TestDir::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void TestDir::append(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::Append))
        file.write(bytes);
}
