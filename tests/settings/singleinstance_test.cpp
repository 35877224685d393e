#include "app/singleinstance.h"
#include "platform/instanceguard.h"
#include "settings/globals.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QThread>
#include <atomic>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <vector>
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
    GuardProcess(const QString& role, const QString& runtimeDir, const QString& display = ":7")
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(kRoleVariable, role);
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
        env.insert("DISPLAY", display);
        env.remove("WAYLAND_DISPLAY");
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
    const bool other = CheckSingleInstance({"b.txt", "zwei Worte"});
    if (role == "second")
        std::_Exit(other ? 0 : 1);
    if (other)
        std::_Exit(2);
    SetRequestHandler([](const platform::InstanceRequest& request) {
        std::printf("\nRAISED folder=%s args=%s\n", qPrintable(request.workingFolder),
                    qPrintable(request.arguments.join('|')));
        std::fflush(stdout);
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
    // The second start's folder and command line reached the first.
    const QByteArray expected = "RAISED folder=" + QFile::encodeName(QDir::currentPath()) + " args=b.txt|zwei Worte";
    EXPECT_TRUE(first.waitFor(expected)) << first.output.constData();
    EXPECT_EQ(first.finish(), 0);
}

TEST(SingleInstance, EachDisplayHasAnInstanceOfItsOwn)
{
    TestDir runtime;
    GuardProcess first("first", runtime.path(), ":2");
    ASSERT_TRUE(first.waitFor("READY")) << first.output.constData();
    // Another session of the same user: it runs as the first of its own display.
    GuardProcess other("first", runtime.path(), ":5.0");
    ASSERT_TRUE(other.waitFor("READY")) << other.output.constData();
    // ":2.0" is the display of the first.
    GuardProcess second("second", runtime.path(), ":2.0");
    EXPECT_EQ(second.finish(), 0);
    EXPECT_TRUE(first.waitFor("RAISED")) << first.output.constData();
    EXPECT_EQ(first.finish(), 0);
    EXPECT_FALSE(other.output.contains("RAISED"));
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
    EXPECT_TRUE(QFile::exists(runtime.file("varnotex-%3A7.sock")));

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
    EnvGuard display("DISPLAY", ":7");
    EnvGuard wayland("WAYLAND_DISPLAY", QByteArray());
    // The first instance answers from a thread of its own, as another process would.
    QThread thread;
    QObject context;
    context.moveToThread(&thread);
    thread.start();
    std::atomic<int> count = 0;
    std::vector<platform::InstanceRequest> received;
    platform::LocalInstanceGuardService* first = nullptr;
    QMetaObject::invokeMethod(
        &context,
        [&first, &received, &count] {
            first = new platform::LocalInstanceGuardService;
            EXPECT_EQ(first->acquireLock(), platform::InstanceLock::Acquired);
            EXPECT_EQ(first->acquireLock(), platform::InstanceLock::Acquired);  // asking again changes nothing
            first->listen([&received, &count](const platform::InstanceRequest& request) {
                received.push_back(request);
                ++count;
            });
        },
        Qt::BlockingQueuedConnection);
    {
        platform::LocalInstanceGuardService later;
        EXPECT_EQ(later.acquireLock(), platform::InstanceLock::HeldByOther);
        const platform::InstanceRequest request{"token_TIME42", "/ein Ordner", {"a b.txt", "-style", "\xe4"}};
        EXPECT_TRUE(later.forward(request));
        QDeadlineTimer deadline(30000);
        while (count == 0 && !deadline.hasExpired())
            QThread::msleep(20);
        QMetaObject::invokeMethod(&context, [] {}, Qt::BlockingQueuedConnection);
        EXPECT_EQ(received.size(), 1u);
        if (!received.empty()) {
            EXPECT_EQ(received[0], request);
        }
    }
    QMetaObject::invokeMethod(&context, [&first] { delete first; }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    // Gone: the lock is free again, and nobody answers.
    platform::LocalInstanceGuardService again;
    EXPECT_EQ(again.acquireLock(), platform::InstanceLock::Acquired);
    platform::LocalInstanceGuardService probe;
    probe.setAnswerTimeout(200);
    EXPECT_EQ(probe.acquireLock(), platform::InstanceLock::HeldByOther);
    EXPECT_FALSE(probe.forward({}));
}

TEST(SingleInstance, AnInstanceThatDoesNotAnswerIsNotWaitedFor)
{
    // The running instance's event loop does not run here: its socket takes the
    // connection, but nobody reads or answers.
    TestDir runtime;
    EnvGuard env("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    EnvGuard display("DISPLAY", ":7");
    EnvGuard wayland("WAYLAND_DISPLAY", QByteArray());
    platform::LocalInstanceGuardService first;
    ASSERT_EQ(first.acquireLock(), platform::InstanceLock::Acquired);
    first.listen([](const platform::InstanceRequest&) {});
    platform::LocalInstanceGuardService later;
    later.setAnswerTimeout(300);
    EXPECT_EQ(later.acquireLock(), platform::InstanceLock::HeldByOther);
    EXPECT_FALSE(later.forward({"", "/", {"a.txt"}}));
}

TEST(SingleInstance, MessageBetweenInstances)
{
    using platform::instancemessage::Decoded;
    const platform::InstanceRequest request{"kwin-1234_TIME99", "/home/anna/Briefe",
                                            {"Brief", "1.txt", "", "zeile\numbruch", "ä"}};
    const QByteArray message = platform::instancemessage::encode(request);
    EXPECT_TRUE(message.startsWith("VARNOTEX 1\ntoken 16\nkwin-1234_TIME99\nfolder 17\n/home/anna/Briefe\n"));
    EXPECT_TRUE(message.endsWith("end\n"));
    platform::InstanceRequest decoded;
    EXPECT_EQ(platform::instancemessage::decode(message, decoded), Decoded::Complete);
    EXPECT_EQ(decoded, request);
    // Every shorter piece is only the start of a message.
    for (qsizetype n = 0; n < message.size(); ++n) {
        platform::InstanceRequest part;
        EXPECT_EQ(platform::instancemessage::decode(message.left(n), part), Decoded::Incomplete) << n;
    }
    // What is not one of ours.
    for (const QByteArray& bad :
         {QByteArray("raise\n"), QByteArray("VARNOTEX 2\n"), QByteArray("VARNOTEX 1\narg -1\n"),
          QByteArray("VARNOTEX 1\narg 1\nab\nend\n"), QByteArray("VARNOTEX 1\nend\n"),
          QByteArray("VARNOTEX 1\nwho 0\n\nend\n"), QByteArray("VARNOTEX 1\narg 99999999999\n"),
          message + "x", QByteArray("VARNOTEX 1\n") + QByteArray(40, 'a')}) {
        platform::InstanceRequest part;
        EXPECT_EQ(platform::instancemessage::decode(bad, part), Decoded::Invalid) << bad.constData();
    }
}

TEST(SingleInstance, SessionDisplayNames)
{
    EXPECT_EQ(platform::sessionDisplay("", ":0"), ":0");
    EXPECT_EQ(platform::sessionDisplay("", ":0.0"), ":0");
    EXPECT_EQ(platform::sessionDisplay("", "unix:0.1"), ":0");
    EXPECT_EQ(platform::sessionDisplay("", "localhost:10.0"), "localhost:10");
    EXPECT_EQ(platform::sessionDisplay("wayland-0", ":1"), "wayland-0");
    EXPECT_EQ(platform::sessionDisplay(" ", " "), "");
    EnvGuard wayland("WAYLAND_DISPLAY", QByteArray());
    {
        EnvGuard display("DISPLAY", ":0.0");
        EXPECT_EQ(platform::LocalInstanceGuardService::baseName(), "varnotex-%3A0");
    }
    {
        EnvGuard display("DISPLAY", QByteArray());
        EXPECT_EQ(platform::LocalInstanceGuardService::baseName(), "varnotex");
        EnvGuard named("WAYLAND_DISPLAY", "/run/user/1000/" + QByteArray(80, 'w'));
        EXPECT_EQ(platform::LocalInstanceGuardService::baseName().size(), 9 + 32);
    }
}

TEST(SingleInstance, ThisStartsRequest)
{
    EnvGuard xdg("XDG_ACTIVATION_TOKEN", QByteArray());
    EnvGuard startup("DESKTOP_STARTUP_ID", "launcher-7_TIME5");
    EXPECT_EQ(platform::requestOfThisStart({"a"}).activationToken, "launcher-7_TIME5");
    EXPECT_EQ(platform::requestOfThisStart({"a"}).workingFolder, QDir::currentPath());
    EXPECT_EQ(platform::requestOfThisStart({"a"}).arguments, QStringList({"a"}));
    EnvGuard wayland("XDG_ACTIVATION_TOKEN", "wl-token");
    EXPECT_EQ(platform::requestOfThisStart({}).activationToken, "wl-token");
}

TEST(SingleInstance, LockFilePlace)
{
    TestDir runtime;
    const QString fallback = QStringLiteral("/tmp/varnotex-%1").arg(::getuid());
    EXPECT_EQ(platform::LocalInstanceGuardService::privateTempFolder(), fallback);
    EnvGuard display("DISPLAY", QByteArray());
    EnvGuard wayland("WAYLAND_DISPLAY", QByteArray());
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
    EnvGuard display("DISPLAY", QByteArray());
    EnvGuard wayland("WAYLAND_DISPLAY", QByteArray());
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
    bool answers = true;
    QStringList calls;
    std::vector<platform::InstanceRequest> forwarded;
    std::function<void(const platform::InstanceRequest&)> onRequest;

    platform::InstanceLock acquireLock() override
    {
        calls.append("lock");
        return answer;
    }
    void listen(std::function<void(const platform::InstanceRequest&)> handler) override
    {
        calls.append("listen");
        onRequest = std::move(handler);
    }
    bool forward(const platform::InstanceRequest& request) override
    {
        calls.append("forward");
        forwarded.push_back(request);
        return answers;
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
    std::vector<platform::InstanceRequest> requests;
    SetRequestHandler([&requests](const platform::InstanceRequest& request) { requests.push_back(request); });
    EXPECT_FALSE(CheckSingleInstance({"x.txt"}));
    EXPECT_EQ(guard.calls, QStringList({"lock", "listen"}));
    ASSERT_TRUE(guard.onRequest);
    guard.onRequest({"t", "/w", {"a"}});
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].arguments, QStringList({"a"}));

    // Another instance that answers: it is handed this start's command line, and this
    // start ends.
    guard.calls.clear();
    guard.answer = platform::InstanceLock::HeldByOther;
    EXPECT_TRUE(CheckSingleInstance({"x.txt", "y z"}));
    EXPECT_EQ(guard.calls, QStringList({"lock", "forward"}));
    ASSERT_EQ(guard.forwarded.size(), 1u);
    EXPECT_EQ(guard.forwarded[0].arguments, QStringList({"x.txt", "y z"}));
    EXPECT_EQ(guard.forwarded[0].workingFolder, QDir::currentPath());

    // One that does not answer: this start runs as if alone.
    guard.answers = false;
    EXPECT_FALSE(CheckSingleInstance({"x.txt"}));
    EXPECT_EQ(NoAnswerMessage(), "varnotex: Das laufende Programm antwortet nicht innerhalb von 2 Sekunden; "
                                 "dieser Start läuft als eigenes Programm.");

    // No lock to be had: run as the only instance.
    guard.calls.clear();
    guard.answer = platform::InstanceLock::Unavailable;
    EXPECT_FALSE(CheckSingleInstance());
    EXPECT_EQ(guard.calls, QStringList({"lock"}));

    SetRequestHandler({});
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
