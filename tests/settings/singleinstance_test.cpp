#include "app/singleinstance.h"
#include "platform/instanceguard.h"
#include "settings/globals.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kRoleVariable = "VARNOTEX_GUARD_ROLE";

// Sets an environment variable for one test and puts the old value back.

// One start of the program's guard in a process of its own: this test binary, running only
// the role test below.
class GuardProcess {
public:
    GuardProcess(const QString& role, const QString& runtimeDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kRoleVariable, role);
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath(), {"--gtest_filter=InstanceGuardChild.Role"});
    }
    ~GuardProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Waits for a word on standard output; false when the process ended without it.
    // The deadline only keeps a broken build from hanging the suite.
    bool waitFor(const QByteArray& word)
    {
        QDeadlineTimer deadline(30000);
        while (!output.contains(word) && !deadline.hasExpired()) {
            if (!process.waitForReadyRead(int(deadline.remainingTime())) && process.state() == QProcess::NotRunning) {
                output += process.readAllStandardOutput();
                break;
            }
            output += process.readAllStandardOutput();
        }
        return output.contains(word);
    }
    int finish()
    {
        process.waitForFinished(30000);
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QProcess process;
    QByteArray output;
};

void say(const char* word)
{
    std::printf("\n%s\n", word);
    std::fflush(stdout);
}

}  // namespace

// The child side of the two-process tests; does nothing in a normal run.
TEST(InstanceGuardChild, Role)
{
    const QByteArray role = qgetenv(kRoleVariable);
    if (role.isEmpty())
        GTEST_SKIP() << "runs only as a child of the guard tests";
    Globals::ResetSettings();
    Globals::Settings().SingleInstance = true;
    const bool other = CheckSingleInstance();
    if (role == "second")
        std::_Exit(other ? 0 : 1);
    if (other)
        std::_Exit(2);
    SetRaiseHandler([] {
        say("RAISED");
        QCoreApplication::exit(0);
    });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(3); });  // nobody came: give up
    say("READY");
    std::fflush(stdout);
    std::_Exit(QCoreApplication::exec());
}

TEST(SingleInstance, SecondStartRaisesTheFirstAndEnds)
{
    TestDir runtime;
    GuardProcess first("first", runtime.path());
    ASSERT_TRUE(first.waitFor("READY")) << first.output.constData();

    GuardProcess second("second", runtime.path());
    EXPECT_EQ(second.finish(), 0);
    EXPECT_TRUE(first.waitFor("RAISED")) << first.output.constData();
    EXPECT_EQ(first.finish(), 0);
}

TEST(SingleInstance, KilledFirstInstanceDoesNotBlockTheNextStart)
{
    TestDir runtime;
    {
        GuardProcess crashed("first", runtime.path());
        ASSERT_TRUE(crashed.waitFor("READY"));
        crashed.process.kill();  // SIGKILL: no clean-up runs, the socket file stays
        crashed.process.waitForFinished(30000);
    }
    EXPECT_TRUE(QFile::exists(runtime.file("varnotex.sock")));

    GuardProcess next("first", runtime.path());
    ASSERT_TRUE(next.waitFor("READY")) << next.output.constData();
    GuardProcess second("second", runtime.path());
    EXPECT_EQ(second.finish(), 0);
    EXPECT_TRUE(next.waitFor("RAISED"));
    EXPECT_EQ(next.finish(), 0);
}

TEST(SingleInstance, LockAndRaiseWithinOneProcess)
{
    TestDir runtime;
    EnvGuard env("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    int raised = 0;
    {
        platform::LocalInstanceGuardService first;
        platform::LocalInstanceGuardService later;
        ASSERT_EQ(first.acquireLock(), platform::InstanceLock::Acquired);
        EXPECT_EQ(first.acquireLock(), platform::InstanceLock::Acquired);  // asking again changes nothing
        first.listen([&raised] { ++raised; });
        EXPECT_EQ(later.acquireLock(), platform::InstanceLock::HeldByOther);
        EXPECT_TRUE(later.requestRaise());
        QDeadlineTimer deadline(30000);
        while (raised == 0 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(raised, 1);
    }
    // Both gone: the lock is free again, and nobody answers.
    platform::LocalInstanceGuardService again;
    EXPECT_EQ(again.acquireLock(), platform::InstanceLock::Acquired);
    platform::LocalInstanceGuardService probe;
    EXPECT_EQ(probe.acquireLock(), platform::InstanceLock::HeldByOther);
    EXPECT_FALSE(probe.requestRaise());
}

TEST(SingleInstance, LockFilePlace)
{
    TestDir runtime;
    const QString fallback = QStringLiteral("/tmp/varnotex-%1").arg(::getuid());
    EXPECT_EQ(platform::LocalInstanceGuardService::privateTempFolder(), fallback);
    {
        EnvGuard env("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        EXPECT_EQ(platform::LocalInstanceGuardService::lockPath(), runtime.file("varnotex.lock"));
        EXPECT_EQ(platform::LocalInstanceGuardService::socketPath(), runtime.file("varnotex.sock"));
    }
    {
        EnvGuard env("XDG_RUNTIME_DIR", QByteArray());
        EXPECT_EQ(platform::LocalInstanceGuardService::lockPath(), fallback + "/varnotex.lock");
    }
    {
        EnvGuard env("XDG_RUNTIME_DIR", QFile::encodeName(runtime.write("datei", "")));
        EXPECT_EQ(platform::LocalInstanceGuardService::socketPath(), fallback + "/varnotex.sock");
    }
}

TEST(SingleInstance, PrivateFolderWithoutRuntimeDirectory)
{
    TestDir base;
    const QString folder = base.file("privat");
    const QByteArray native = QFile::encodeName(folder);
    EnvGuard env("XDG_RUNTIME_DIR", QByteArray());
    {
        // Made for the user alone, and used.
        platform::LocalInstanceGuardService first(folder);
        ASSERT_EQ(first.acquireLock(), platform::InstanceLock::Acquired);
        struct stat st {};
        ASSERT_EQ(::lstat(native.constData(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_TRUE(first.problem().isEmpty());
        platform::LocalInstanceGuardService second(folder);
        EXPECT_EQ(second.acquireLock(), platform::InstanceLock::HeldByOther);
    }
    // A folder open to others, one that belongs to somebody else, a link in its place:
    // not used, and the start goes on as if no other instance ran.
    ASSERT_EQ(::chmod(native.constData(), 0755), 0);
    {
        platform::LocalInstanceGuardService guard(folder);
        EXPECT_EQ(guard.acquireLock(), platform::InstanceLock::Unavailable);
        EXPECT_EQ(guard.problem(), QString("Der Ordner \"%1\" ist für andere Benutzer zugänglich").arg(folder));
    }
    ASSERT_EQ(::chmod(native.constData(), 0700), 0);
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(native.constData(), 65534, 65534), 0);
        platform::LocalInstanceGuardService guard(folder);
        EXPECT_EQ(guard.acquireLock(), platform::InstanceLock::Unavailable);
        EXPECT_EQ(guard.problem(), QString("Der Ordner \"%1\" gehört einem anderen Benutzer").arg(folder));
        ASSERT_EQ(::chown(native.constData(), 0, 0), 0);

        // A lock file another user made, even one held locked, cannot end the program.
        const QByteArray lock = QFile::encodeName(folder + "/varnotex.lock");
        ASSERT_EQ(::chown(lock.constData(), 65534, 65534), 0);
        const int held = ::open(lock.constData(), O_RDWR);
        ASSERT_GE(held, 0);
        ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
        platform::LocalInstanceGuardService later(folder);
        EXPECT_EQ(later.acquireLock(), platform::InstanceLock::Unavailable);
        EXPECT_EQ(later.problem(), QString("Die Datei \"%1/varnotex.lock\" gehört einem anderen Benutzer").arg(folder));
        ::close(held);
    }
    const QString link = base.file("verweis");
    ASSERT_EQ(::symlink(native.constData(), QFile::encodeName(link).constData()), 0);
    platform::LocalInstanceGuardService guard(link);
    EXPECT_EQ(guard.acquireLock(), platform::InstanceLock::Unavailable);
    EXPECT_EQ(guard.problem(), QString("\"%1\" ist kein Ordner").arg(link));
}

namespace {

class FakeGuard : public platform::InstanceGuardService {
public:
    platform::InstanceLock answer = platform::InstanceLock::Acquired;
    QStringList calls;
    std::function<void()> onRaise;

    platform::InstanceLock acquireLock() override
    {
        calls.append("lock");
        return answer;
    }
    void listen(std::function<void()> handler) override
    {
        calls.append("listen");
        onRaise = std::move(handler);
    }
    bool requestRaise() override
    {
        calls.append("raise");
        return false;
    }
};

}  // namespace

TEST(SingleInstance, GuardFollowsTheLock)
{
    FakeGuard guard;
    platform::ScopedService<platform::InstanceGuardService> installed(&guard);
    Globals::ResetSettings();

    // Setting off: nothing is created or tested.
    EXPECT_FALSE(CheckSingleInstance());
    EXPECT_TRUE(guard.calls.isEmpty());

    Globals::Settings().SingleInstance = true;
    int raised = 0;
    SetRaiseHandler([&raised] { ++raised; });
    EXPECT_FALSE(CheckSingleInstance());
    EXPECT_EQ(guard.calls, QStringList({"lock", "listen"}));
    ASSERT_TRUE(guard.onRaise);
    guard.onRaise();
    EXPECT_EQ(raised, 1);

    // Another instance: it is asked to come forward, and this start ends even when it
    // could not be reached.
    guard.calls.clear();
    guard.answer = platform::InstanceLock::HeldByOther;
    EXPECT_TRUE(CheckSingleInstance());
    EXPECT_EQ(guard.calls, QStringList({"lock", "raise"}));

    // No lock to be had: run as the only instance.
    guard.calls.clear();
    guard.answer = platform::InstanceLock::Unavailable;
    EXPECT_FALSE(CheckSingleInstance());
    EXPECT_EQ(guard.calls, QStringList({"lock"}));

    SetRaiseHandler({});
    Globals::ResetSettings();
}

TEST(SingleInstance, SettingOffCreatesNothing)
{
    TestDir runtime;
    EnvGuard env("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    Globals::ResetSettings();
    EXPECT_FALSE(CheckSingleInstance());
    EXPECT_TRUE(QDir(runtime.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
}

TEST(SingleInstance, RestoreAndRaiseBringsBackAMinimisedFrame)
{
    QWidget frame;
    frame.showMinimized();
    ASSERT_TRUE(frame.isMinimized());
    RestoreAndRaise(&frame);
    EXPECT_FALSE(frame.isMinimized());
    EXPECT_TRUE(frame.isVisible());
    RestoreAndRaise(nullptr);
}
