// One set of cases run against the real settings-file service and against the in-memory
// service the other tests use in its place: what one does, the other must do.
#include "platform/errors.h"
#include "platform/iniprofile.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <memory>

#include <sys/stat.h>

using platform::IniChange;
using platform::SettingsWriteError;

namespace {

// Where a case's files live, and how it breaks them.
class World {
public:
    virtual ~World() = default;
    virtual platform::IniProfileService& ini() = 0;
    virtual QString name(const QString& relative) = 0;  // a name in a folder that exists
    virtual QString missingFolder() = 0;                // a name in a folder that does not
    virtual void put(const QString& name, const QByteArray& bytes) = 0;
    virtual std::optional<QByteArray> bytes(const QString& name) = 0;
    virtual void makeUnreadable(const QString& name) = 0;
    virtual void refuseWrites(const QString& name) = 0;
};

class FileWorld : public World {
public:
    FileWorld() : config_("XDG_CONFIG_HOME", QFile::encodeName(dir_.file("config"))) {}
    platform::IniProfileService& ini() override { return ini_; }
    QString name(const QString& relative) override { return dir_.file(relative); }
    QString missingFolder() override { return dir_.file("fehlt/VARNX.ini"); }
    void put(const QString& name, const QByteArray& bytes) override
    {
        QFile f(platform::resolveProfilePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    std::optional<QByteArray> bytes(const QString& name) override
    {
        QFile f(platform::resolveProfilePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return std::nullopt;
        return f.readAll();
    }
    // A folder where the file should be: unreadable as a file, for root as well.
    void makeUnreadable(const QString& name) override { ASSERT_TRUE(QDir().mkpath(platform::resolveProfilePath(name))); }
    // The owner write bit cleared, which the writer honours for root too.
    void refuseWrites(const QString& name) override
    {
        ASSERT_EQ(::chmod(QFile::encodeName(platform::resolveProfilePath(name)).constData(), 0444), 0);
    }

private:
    TestDir dir_;
    EnvGuard config_;
    platform::FileIniProfileService ini_;
};

class MemoryWorld : public World {
public:
    MemoryWorld() { ini_.folders.insert(QStringLiteral("/home/anna")); }
    platform::IniProfileService& ini() override { return ini_; }
    QString name(const QString& relative) override { return QStringLiteral("/home/anna/") + relative; }
    QString missingFolder() override { return QStringLiteral("/home/anna/fehlt/VARNX.ini"); }
    void put(const QString& name, const QByteArray& bytes) override { ini_.files[name] = bytes; }
    std::optional<QByteArray> bytes(const QString& name) override
    {
        const auto it = ini_.files.find(name);
        if (it == ini_.files.end() || ini_.unreadable.count(name))
            return std::nullopt;
        return it->second;
    }
    void makeUnreadable(const QString& name) override { ini_.unreadable.insert(name); }
    void refuseWrites(const QString& name) override
    {
        ini_.refuseWrites = [name](const QString& file) { return file == name; };
    }

private:
    platform::MemoryIniProfileService ini_;
};

using Factory = std::unique_ptr<World> (*)();

class IniContract : public ::testing::TestWithParam<Factory> {
protected:
    std::unique_ptr<World> world = GetParam()();
    platform::IniProfileService& ini() { return world->ini(); }
};

const QByteArray kFile("; Einstellungen\r\n[MainWindow]\r\nWidth = 640\r\n\r\n[Tools]\r\nEditor=/usr/bin/ed\r\n");

}  // namespace

TEST_P(IniContract, BareNameIsOneFileOfItsOwn)
{
    ini().writeString("VARNX.ini", "MainWindow", "State", "1");
    EXPECT_EQ(world->bytes("VARNX.ini"), QByteArray("[MainWindow]\r\nState=1\r\n"));
    EXPECT_EQ(ini().readString("VARNX.ini", "mainwindow", "STATE", "d"), "1");
    // The same name in a folder is another file.
    EXPECT_EQ(ini().readString(world->name("VARNX.ini"), "MainWindow", "State", "d"), "d");
}

TEST_P(IniContract, MissingFolderReadsDefaultsAndRefusesWrites)
{
    const QString name = world->missingFolder();
    EXPECT_EQ(ini().readString(name, "MainWindow", "Width", "d"), "d");
    EXPECT_EQ(ini().readSectionKeys(name, "MainWindow"), QStringList());
    EXPECT_THROW(ini().writeString(name, "MainWindow", "Width", "1"), SettingsWriteError);
    EXPECT_THROW(ini().writeChanges(name, {{IniChange::Kind::Write, "MainWindow", "Width", "1"}}), SettingsWriteError);
    // Erasing from a file that is not there has nothing to do.
    EXPECT_NO_THROW(ini().eraseSection(name, "Tools"));
    EXPECT_EQ(world->bytes(name), std::nullopt);
}

TEST_P(IniContract, UnreadableFileIsNeverOverwritten)
{
    const QString name = world->name("VARNX.ini");
    world->makeUnreadable(name);
    EXPECT_EQ(ini().readString(name, "MainWindow", "Width", "d"), "d");
    EXPECT_EQ(ini().readSectionKeys(name, "Tools"), QStringList());
    EXPECT_THROW(ini().writeString(name, "MainWindow", "Width", "1"), SettingsWriteError);
    EXPECT_THROW(ini().eraseSection(name, "Tools"), SettingsWriteError);
    EXPECT_THROW(ini().writeChanges(name, {{IniChange::Kind::Write, "A", "b", "c"}}), SettingsWriteError);
}

TEST_P(IniContract, RefusedWriteRaisesAndKeepsEveryByte)
{
    const QString name = world->name("VARNX.ini");
    world->put(name, kFile);
    world->refuseWrites(name);
    EXPECT_EQ(ini().readString(name, "MainWindow", "Width", "d"), "640");
    try {
        ini().writeString(name, "MainWindow", "Width", "1");
        FAIL() << "no error raised";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(e.message(), "nach " + name + " kann nicht geschrieben werden");
    }
    EXPECT_THROW(ini().eraseSection(name, "Tools"), SettingsWriteError);
    EXPECT_THROW(ini().writeChanges(name, {{IniChange::Kind::Write, "A", "b", "c"}}), SettingsWriteError);
    EXPECT_EQ(world->bytes(name), kFile);
    // Erasing a section that is not there needs no write, so nothing is refused.
    EXPECT_NO_THROW(ini().eraseSection(name, "Fehlt"));
    EXPECT_NO_THROW(ini().writeChanges(name, {{IniChange::Kind::EraseSection, "Fehlt", {}, {}}}));
}

TEST_P(IniContract, EraseOfAMissingSectionOrFileWritesNothing)
{
    const QString name = world->name("VARNX.ini");
    ini().eraseSection(name, "Tools");
    EXPECT_EQ(world->bytes(name), std::nullopt);
    world->put(name, kFile);
    ini().eraseSection(name, "Fehlt");
    EXPECT_EQ(world->bytes(name), kFile);
    ini().eraseSection(name, "tools");
    EXPECT_EQ(world->bytes(name), QByteArray("; Einstellungen\r\n[MainWindow]\r\nWidth = 640\r\n\r\n"));
}

TEST_P(IniContract, WritesKeepTheRestOfTheFile)
{
    const QString name = world->name("VARNX.ini");
    world->put(name, kFile);
    ini().writeString(name, "mainwindow", "WIDTH", "700");
    ini().writeString(name, "Tools", "Mail", "/usr/bin/mutt");
    ini().writeChanges(name, {{IniChange::Kind::Write, "Neu", "a", " b "}});
    EXPECT_EQ(world->bytes(name), QByteArray("; Einstellungen\r\n[MainWindow]\r\nWidth=700\r\n\r\n[Tools]\r\n"
                                             "Editor=/usr/bin/ed\r\nMail=/usr/bin/mutt\r\n[Neu]\r\na=\" b \"\r\n"));
    EXPECT_EQ(ini().readSectionKeys(name, "TOOLS"), QStringList({"Editor", "Mail"}));
    EXPECT_EQ(ini().readString(name, "Neu", "a", "d"), " b ");
}

INSTANTIATE_TEST_SUITE_P(Services, IniContract,
                         ::testing::Values(+[]() -> std::unique_ptr<World> { return std::make_unique<FileWorld>(); },
                                           +[]() -> std::unique_ptr<World> { return std::make_unique<MemoryWorld>(); }),
                         [](const ::testing::TestParamInfo<Factory>& info) {
                             return info.index == 0 ? std::string("File") : std::string("Memory");
                         });
