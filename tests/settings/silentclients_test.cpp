#include "platform/instanceguard.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

int openDescriptors() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size()); }

}  // namespace

// Connections that never send their request are dropped by the running instance, so idle
// clients cannot hold its descriptors; a real request still raises it afterwards.
TEST(SingleInstance, SilentClientsAreDropped)
{
    TestDir runtime;
    EnvGuard env("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    platform::LocalInstanceGuardService first;
    ASSERT_EQ(first.acquireLock(), platform::InstanceLock::Acquired);
    int raised = 0;
    first.listen([&raised](const platform::InstanceRequest&) { ++raised; });
    const int before = openDescriptors();

    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(platform::LocalInstanceGuardService::socketPath());
        ASSERT_TRUE(idle.back()->waitForConnected(2000));
    }
    const auto allDropped = [&idle] {
        for (const auto& socket : idle)
            if (socket->state() != QLocalSocket::UnconnectedState)
                return false;
        return true;
    };
    QDeadlineTimer deadline(20000);
    while (!allDropped() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(allDropped());
    idle.clear();
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_LE(openDescriptors(), before + 2);

    // A later start's whole message, sent without blocking this thread, which is also the
    // running instance's: it is answered and handed on.
    platform::LocalInstanceGuardService later;
    ASSERT_EQ(later.acquireLock(), platform::InstanceLock::HeldByOther);
    QLocalSocket client;
    client.connectToServer(platform::LocalInstanceGuardService::socketPath());
    ASSERT_TRUE(client.waitForConnected(2000));
    client.write(platform::instancemessage::encode(platform::InstanceRequest{}));
    client.flush();
    deadline = QDeadlineTimer(20000);
    while ((raised == 0 || !client.bytesAvailable()) && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(client.readAll(), platform::instancemessage::kAnswer);
}
