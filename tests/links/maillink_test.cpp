#include "links/maillink.h"
#include "platform/registry.h"
#include "tests/links/launchhelpers.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <gtest/gtest.h>

using platform::MapRegistry;
using platform::ScopedService;

TEST(MailLinks, AddressesAndMailtoLinksBecomeMailUrls)
{
    EXPECT_EQ(MailUrlOfLink("max@example.de"), "mailto:max@example.de");
    EXPECT_EQ(MailUrlOfLink("mailto:info@example.de"), "mailto:info@example.de");
    EXPECT_EQ(MailUrlOfLink("MAILTO:info@example.de?subject=Hallo"), "mailto:info@example.de?subject=Hallo");
    EXPECT_EQ(MailUrlOfLink("http://example.de"), "");
    EXPECT_EQ(MailUrlOfLink("www.example.de"), "");
    EXPECT_EQ(MailUrlOfLink("http://max@example.de/"), "");
    EXPECT_EQ(MailUrlOfLink("ftp://example.de"), "");
}

// The mail handler's Exec= line gets the mailto: URL as one word, and no shell runs;
// without a handler the desktop's opener takes the URL.
TEST(MailLinks, TheMailHandlerGetsTheUrl)
{
    TestDir dir;
    ScriptedMessageBox messages;
    RecordingOpener launcher;
    MapRegistry registry;
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(&launcher);
    ScopedService<platform::RegistryService> r(&registry);
    RecorderScript mailer(dir, QStringLiteral("post/mailer.sh"));
    registry.set("x-scheme-handler/mailto\\shell\\open\\command", QStringLiteral("%1 --compose %u").arg(mailer.path()));
    OpenMailLink("mailto:max@example.de");
    const auto args = mailer.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (QStringList{"--compose", "mailto:max@example.de"}));
    EXPECT_TRUE(launcher.opened.isEmpty());
    EXPECT_TRUE(messages.shown.isEmpty());

    registry.remove("x-scheme-handler/mailto\\shell\\open\\command");
    OpenMailLink("mailto:info@example.de");
    ASSERT_EQ(launcher.opened.size(), 1);
    EXPECT_EQ(launcher.opened.first(), QUrl("mailto:info@example.de"));
    EXPECT_TRUE(messages.shown.isEmpty());
}
