#include "links/browser.h"
#include "links/executeprogram.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/support/fakes.h"
#include "tests/support/guards.h"
#include "tests/support/tempdir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using platform::ScopedService;

namespace {

// No browser registered anywhere.
class EmptyRegistry : public platform::RegistryService {
public:
    std::optional<QString> defaultValue(const QString&) override { return std::nullopt; }
};

}  // namespace

TEST(LinkAsUrl, LinkTextBecomesAUrl)
{
    EXPECT_EQ(LinkAsUrl("www.example.com/evil"), "http://www.example.com/evil");
    EXPECT_EQ(LinkAsUrl("http:/evil"), "http:/evil");
    EXPECT_EQ(LinkAsUrl("https://x.de/a b"), "https://x.de/a b");
    EXPECT_EQ(LinkAsUrl("max@firma.de"), "mailto:max@firma.de");
    EXPECT_EQ(LinkAsUrl("mailto:max@firma.de"), "mailto:max@firma.de");
    EXPECT_EQ(LinkAsUrl("example.com"), "http://example.com");
    EXPECT_EQ(LinkAsUrl(""), "");
}

// With no browser, OK hands the link to the desktop opener as a URL: a program of that name
// in the working folder is never started.
TEST(LinkAsUrl, NoBrowserNeverRunsAFileOfTheLinksName)
{
    TestDir dir;
    CwdGuard cwd(dir.path());
    ASSERT_TRUE(cwd.ok());
    const QString evil = dir.write("www.example.com/evil", "#!/bin/sh\ntouch ran\n");
    ASSERT_EQ(::chmod(QFile::encodeName(evil).constData(), 0755), 0);
    const QString evil2 = dir.write("http:/evil", "#!/bin/sh\ntouch ran\n");
    ASSERT_EQ(::chmod(QFile::encodeName(evil2).constData(), 0755), 0);

    EmptyRegistry registry;
    ScriptedMessageBox messages;
    platform::RecordingProcessService launcher;
    ScopedService<platform::RegistryService> r(&registry);
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(&launcher);

    messages.answers = {platform::MsgResult::Ok, platform::MsgResult::Ok, platform::MsgResult::Ok};
    OpenUrlInBrowser("www.example.com/evil");
    OpenUrlInBrowser("http:/evil");
    OpenUrlInBrowser("max@firma.de");
    EXPECT_TRUE(launcher.started.isEmpty());
    EXPECT_EQ(launcher.opened, (QList<QUrl>{QUrl("http://www.example.com/evil"), QUrl("http:/evil"),
                                            QUrl("mailto:max@firma.de")}));
    EXPECT_EQ(messages.shown.size(), 3);  // the three questions, no error
    EXPECT_FALSE(QFile::exists(dir.file("ran")));
}

// A link longer than the system takes is named as such, not as a lack of memory.
TEST(LinkAsUrl, TooLongALinkIsNamedAsTheCause)
{
    EXPECT_EQ(Globals::ExecuteErrorText(Globals::ExecuteTooLong),
              "Die Befehlszeile ist länger, als das System sie annimmt.");
    EmptyRegistry registry;
    ScriptedMessageBox messages;
    ScopedService<platform::RegistryService> r(&registry);
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(nullptr);  // the real launcher
    messages.answers = {platform::MsgResult::Ok, platform::MsgResult::Ok};
    OpenUrlInBrowser("http://x.de/" + QString(200000, QLatin1Char('a')));
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[1].caption, "Fehler: Ausführung fehlgeschlagen...");
    EXPECT_EQ(messages.shown[1].text, "Die Befehlszeile ist länger, als das System sie annimmt.");

    // A program started with such an argument: the kernel's E2BIG, reported the same way.
    platform::PosixProcessService real;
    EXPECT_EQ(real.startDetached("/bin/true", {QString(200000, QLatin1Char('a'))}, QString()),
              platform::LaunchError::TooLong);
}
