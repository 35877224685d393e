#include "links/browser.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "tests/links/launchhelpers.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using platform::MapRegistry;
using platform::ScopedService;

TEST(BrowserLookup, RegistryCases)
{
    MapRegistry registry;
    ScopedService<platform::RegistryService> r(&registry);

    // Nothing registered: all four keys are tried, in order.
    EXPECT_EQ(FindBrowserCommand(), QString());
    EXPECT_EQ(registry.asked, (QStringList{".HTM", ".HTML", ".SHTML", ".SHTM"}));
    EXPECT_EQ(FindBrowserProgram(), QString());

    // ".HTM" unregistered, ".HTML" registered to a class with a command.
    registry.set(".html", "htmlfile");
    registry.set("HTMLFile\\Shell\\Open\\Command", "\"C:\\Programme\\Netz\\Browser.EXE\" -nohome \"%1\"");
    EXPECT_EQ(FindBrowserCommand(), "\"C:\\Programme\\Netz\\Browser.EXE\" -nohome \"%1\"");
    EXPECT_EQ(FindBrowserProgram(), "C:\\Programme\\Netz\\Browser.EXE");

    // A class without its own command key: the command under the extension key.
    registry.set(".HTM", "htmfile");
    registry.set(".HTM\\shell\\open\\command", "C:\\Web\\start.bat %1");
    EXPECT_EQ(FindBrowserProgram(), "C:\\Web\\start.bat");
    // An empty class name goes straight to the extension's own command.
    registry.set(".HTM", "");
    EXPECT_EQ(FindBrowserProgram(), "C:\\Web\\start.bat");
    // The class's command comes first.
    registry.set(".HTM", "htmlfile");
    EXPECT_EQ(FindBrowserProgram(), "C:\\Programme\\Netz\\Browser.EXE");

    // An extension key without a value is passed over, its command key too.
    registry.remove(".HTM");
    registry.remove(".html");
    registry.set(".SHTML", "shtmlfile");
    registry.set("shtmlfile\\shell\\open\\command", "");
    registry.set(".SHTM", "x");
    registry.set(".SHTM\\shell\\open\\command", QString::fromLatin1("c:\\a\\b.Com\0danach", 16));
    EXPECT_EQ(FindBrowserCommand(), "c:\\a\\b.Com");
}

TEST(BrowserLookup, ProgramPartOfCommands)
{
    // The rightmost ending wins, even when it belongs to an argument.
    EXPECT_EQ(ProgramOfCommand("\"C:\\Web\\browser.exe\" -helper C:\\Hilfe\\hilfe.ExE \"%1\""),
              "C:\\Web\\browser.exe\" -helper C:\\Hilfe\\hilfe.ExE");
    EXPECT_EQ(ProgramOfCommand("C:\\Web\\browser.exe"), "C:\\Web\\browser.exe");
    EXPECT_EQ(ProgramOfCommand("start.bAt"), "start.bAt");
    EXPECT_EQ(ProgramOfCommand(".com"), ".com");
    // Without any of the endings: the first word, quotes honoured.
    EXPECT_EQ(ProgramOfCommand("/usr/lib/firefox-esr/firefox-esr %u"), "/usr/lib/firefox-esr/firefox-esr");
    EXPECT_EQ(ProgramOfCommand("  \"/opt/Mein Browser/web\" --neu %U"), "/opt/Mein Browser/web");
    EXPECT_EQ(ProgramOfCommand("\"/opt/a \\\"b\\\"/web\" %u"), "/opt/a \"b\"/web");
    EXPECT_EQ(ProgramOfCommand("chromium"), "chromium");
    EXPECT_EQ(ProgramOfCommand("exe"), "exe");
    EXPECT_EQ(ProgramOfCommand(""), "");
}

TEST(OpenUrl, NoBrowserAsksFirst)
{
    MapRegistry registry;
    ScriptedMessageBox messages;
    platform::RecordingProcessService launcher;
    ScopedService<platform::RegistryService> r(&registry);
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(&launcher);

    messages.answers = {platform::MsgResult::Cancel, platform::MsgResult::Ok};
    OpenUrlInBrowser("http://www.beispiel.de/a?b=1");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "Fehler: Browser nicht gefunden...");
    EXPECT_EQ(messages.shown[0].text,
              "In ihrem System konnte kein Web-Browser gefunden werden.\rDenoch versuchen die Url auszuführen ?");
    EXPECT_EQ(messages.shown[0].icon, platform::MsgIcon::Question);
    EXPECT_EQ(messages.shown[0].buttons, platform::MsgButtons::OkCancel);
    EXPECT_TRUE(launcher.opened.isEmpty());
    EXPECT_TRUE(launcher.started.isEmpty());

    OpenUrlInBrowser("http://www.beispiel.de/a?b=1");
    EXPECT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(launcher.opened, QList<QUrl>{QUrl("http://www.beispiel.de/a?b=1")});
    EXPECT_TRUE(launcher.started.isEmpty());
}

TEST(OpenUrl, LinkReachesTheBrowserAsOneArgument)
{
    TestDir dir;
    RecorderScript browser(dir, "Programme/web browser.sh");
    MapRegistry registry;
    registry.set(".HTM", "webseite");
    registry.set("webseite\\shell\\open\\command", "\"" + browser.path() + "\" %1");
    ScriptedMessageBox messages;
    ScopedService<platform::RegistryService> r(&registry);
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(nullptr);  // the real launcher

    const QString url = QStringLiteral("http://x.de/a b\"c';echo x $(touch /tmp/varnotex-pwned)`id` & y=1|z>w\\ %u");
    OpenUrlInBrowser(url);
    const auto args = browser.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, QStringList{url});
    EXPECT_TRUE(messages.shown.isEmpty());

    // A browser that has gone away is reported by the start routine.
    QFile::remove(browser.path());
    messages.answers = {platform::MsgResult::Ok};
    OpenUrlInBrowser("http://x.de");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "Fehler: Ausführung fehlgeschlagen...");
    EXPECT_EQ(messages.shown[0].text, "Datei konnte nicht gefunden werden.");
}

namespace {

// A desktop's MIME data in a test folder, with the XDG variables pointing there.
struct XdgTree {
    TestDir dir;
    EnvironmentGuard env;
    platform::XdgRegistryService registry;
    ScopedService<platform::RegistryService> installed{&registry};

    XdgTree()
    {
        env.set("XDG_CONFIG_HOME", QFile::encodeName(dir.file("config")));
        env.set("XDG_CONFIG_DIRS", QFile::encodeName(dir.file("etc-xdg")));
        env.set("XDG_DATA_HOME", QFile::encodeName(dir.file("data")));
        env.set("XDG_DATA_DIRS", QFile::encodeName(dir.file("usr-share") + ":" + dir.file("usr-local-share")));
        env.set("XDG_CURRENT_DESKTOP", "Test:GNOME");
    }
    QString desktopFile(const QString& where, const QString& exec, const QString& extra = {})
    {
        return dir.write(where, ("[Desktop Entry]\nType=Application\nName=Web\nExec[de]=falsch %u\nExec=" + exec +
                                 "\n" + extra + "[Desktop Action neu]\nExec=auch-falsch\n")
                                    .toUtf8());
    }
};

const QString kCommandKey = QStringLiteral("text/html\\shell\\open\\command");

}  // namespace

TEST(XdgRegistry, DefaultApplicationOfWebPages)
{
    XdgTree xdg;
    // Nothing installed: the extensions still have their type, but there is no command.
    EXPECT_EQ(xdg.registry.defaultValue(".HTM"), std::optional<QString>("text/html"));
    EXPECT_EQ(xdg.registry.defaultValue(".shtml"), std::optional<QString>("text/html"));
    EXPECT_EQ(xdg.registry.defaultValue(kCommandKey), std::nullopt);
    EXPECT_EQ(xdg.registry.defaultValue(".HTML\\shell\\open\\command"), std::nullopt);
    EXPECT_EQ(FindBrowserProgram(), QString());

    // The default of the system's mimeapps.list, with an uninstalled one before it.
    xdg.desktopFile("usr-share/applications/webby.desktop", "/opt/webby/bin/webby --new-window %u");
    xdg.dir.write("usr-share/applications/mimeapps.list",
                  "[Default Applications]\ntext/plain=editor.desktop\ntext/html=fehlt.desktop;webby.desktop;\n");
    EXPECT_EQ(xdg.registry.defaultValue(kCommandKey), std::optional<QString>("/opt/webby/bin/webby --new-window %u"));
    EXPECT_EQ(FindBrowserCommand(), "/opt/webby/bin/webby --new-window %u");
    EXPECT_EQ(FindBrowserProgram(), "/opt/webby/bin/webby");
    // The lookup's second place, the extension's own command, gives the same application.
    EXPECT_EQ(xdg.registry.defaultValue(".SHTM\\shell\\open\\command"),
              std::optional<QString>("/opt/webby/bin/webby --new-window %u"));

    // The user's own file overrides it; an id with "-" may live in a subfolder, and the
    // Exec value's escapes are resolved.
    xdg.desktopFile("data/applications/org/mein-browser.desktop", "\"/opt/Mein\\sBrowser/web\" %U");
    xdg.dir.write("config/mimeapps.list", "[Default Applications]\ntext/html=org-mein-browser.desktop\n");
    EXPECT_EQ(FindBrowserProgram(), "/opt/Mein Browser/web");

    // A desktop-specific list comes before the general one; a hidden application does not count.
    xdg.desktopFile("data/applications/versteckt.desktop", "/bin/versteckt %u", "Hidden=true\n");
    xdg.desktopFile("data/applications/gnome-web.desktop", "gnome-web %u");
    xdg.dir.write("config/gnome-mimeapps.list", "[Default Applications]\ntext/html=versteckt.desktop;gnome-web.desktop\n");
    EXPECT_EQ(FindBrowserProgram(), "gnome-web");
}

TEST(XdgRegistry, FallbacksAndRemovedAssociations)
{
    XdgTree xdg;
    xdg.desktopFile("usr-share/applications/alt.desktop", "alt-browser %u");
    xdg.desktopFile("usr-share/applications/neu.desktop", "neu-browser %u");
    xdg.desktopFile("usr-share/applications/cache.desktop", "cache-browser %u");

    xdg.dir.write("usr-local-share/applications/mimeinfo.cache", "[MIME Cache]\ntext/html=cache.desktop;\n");
    EXPECT_EQ(FindBrowserProgram(), "cache-browser");
    xdg.dir.write("etc-xdg/mimeapps.list", "[Added Associations]\ntext/html=neu.desktop;\n");
    EXPECT_EQ(FindBrowserProgram(), "neu-browser");
    xdg.dir.write("usr-share/applications/defaults.list", "[Default Applications]\ntext/html=alt.desktop\n");
    EXPECT_EQ(FindBrowserProgram(), "alt-browser");
    // The user removed it: a removal reaches the lists of lower precedence.
    xdg.dir.write("config/mimeapps.list", "[Removed Associations]\ntext/html=alt.desktop;neu.desktop\n");
    EXPECT_EQ(FindBrowserProgram(), "cache-browser");
}

TEST(XdgRegistry, LinkOpensInTheRegisteredBrowser)
{
    XdgTree xdg;
    RecorderScript browser(xdg.dir, "bin/browser");
    xdg.desktopFile("data/applications/testweb.desktop", browser.path() + " %u");
    xdg.dir.write("config/mimeapps.list", "[Default Applications]\ntext/html=testweb.desktop\n");
    ScriptedMessageBox messages;
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(nullptr);

    OpenUrlInBrowser("mailto:max@firma.de?subject=Hallo Welt;$(id)");
    const auto args = browser.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, QStringList{"mailto:max@firma.de?subject=Hallo Welt;$(id)"});
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST(DesktopExec, WordsOfExecLines)
{
    using platform::desktopExecWords;
    const QString link = QStringLiteral("http://x.de/a b?c=%u&d=\"e\"");
    EXPECT_EQ(desktopExecWords("env BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/firefox.desktop "
                               "/snap/bin/firefox %u",
                               link),
              (QStringList{"env", "BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/firefox.desktop",
                           "/snap/bin/firefox", link}));
    EXPECT_EQ(desktopExecWords("/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=firefox "
                               "--file-forwarding org.mozilla.firefox @@u %u @@",
                               link),
              (QStringList{"/usr/bin/flatpak", "run", "--branch=stable", "--arch=x86_64", "--command=firefox",
                           "--file-forwarding", "org.mozilla.firefox", "@@u", link, "@@"}));
    // Quoting: blanks inside quotes, escaped quote, backquote, dollar and backslash.
    EXPECT_EQ(desktopExecWords(R"("/opt/Mein Browser/web" "a \"b\" \`c\` \$d \\e" %U)", link),
              (QStringList{"/opt/Mein Browser/web", R"(a "b" `c` $d \e)", link}));
    // Other field codes stand for nothing; "%%" is a percent sign; the link goes at the
    // end when no %u stood in the line, and only once.
    EXPECT_EQ(desktopExecWords("web %i %c --rate=50%% %k", link), (QStringList{"web", "--rate=50%", link}));
    EXPECT_EQ(desktopExecWords("web %f %u", link), (QStringList{"web", link}));
    EXPECT_EQ(desktopExecWords("web --url=%u", link), (QStringList{"web", "--url=" + link}));
    EXPECT_EQ(desktopExecWords("web \"\" %u", link), (QStringList{"web", "", link}));
    EXPECT_EQ(desktopExecWords("  ", link), QStringList());
    EXPECT_EQ(desktopExecWords("%u", link), QStringList());
    EXPECT_EQ(desktopExecWords("web \"offen %u", link), QStringList());

    // A Windows-style command keeps the reduction to its program part.
    EXPECT_EQ(BrowserStartWords("\"C:/Programme/Web/web.exe\" -nohome %1", link),
              (QStringList{"C:/Programme/Web/web.exe", link}));
    EXPECT_EQ(BrowserStartWords("web %U --neu", link), (QStringList{"web", link, "--neu"}));
    EXPECT_EQ(MissingProgramOfEnv({"env", "A=1", "-u", "B", "/nicht/da/web", link}), "/nicht/da/web");
    EXPECT_EQ(MissingProgramOfEnv({"/usr/bin/env", "A=1", "sh", link}), "");
    EXPECT_EQ(MissingProgramOfEnv({"web", link}), "");
}

TEST(OpenUrl, SnapAndFlatpakStyleBrowsersGetTheLinkAsOneArgument)
{
    TestDir dir;
    RecorderScript snap(dir, "snap/bin/web browser");
    RecorderScript flatpak(dir, "bin/flatpak");
    EnvironmentGuard env;
    env.set("PATH", QFile::encodeName(dir.file("bin")) + ":/usr/bin:/bin");
    MapRegistry registry;
    registry.set(".HTM", "text/html");
    ScriptedMessageBox messages;
    ScopedService<platform::RegistryService> r(&registry);
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(nullptr);  // the real launcher
    const QString url = QStringLiteral("http://x.de/a b\"c';$(id) %u");

    registry.set("text/html\\shell\\open\\command", "env BAMF_HINT=/x.desktop \"" + snap.path() + "\" --neu %u");
    OpenUrlInBrowser(url);
    auto args = snap.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (QStringList{"--neu", url}));

    registry.set("text/html\\shell\\open\\command", "flatpak run --branch=stable org.x.Browser @@u %u @@");
    OpenUrlInBrowser(url);
    args = flatpak.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, (QStringList{"run", "--branch=stable", "org.x.Browser", "@@u", url, "@@"}));
    EXPECT_TRUE(messages.shown.isEmpty());

    // A snap that is gone: env would start and fail unseen, so the user is told first.
    platform::RecordingProcessService launcher;
    ScopedService<platform::ProcessService> recording(&launcher);
    registry.set("text/html\\shell\\open\\command", "env BAMF_HINT=/x.desktop " + dir.file("snap/bin/fehlt") + " %u");
    messages.answers = {platform::MsgResult::Ok};
    OpenUrlInBrowser(url);
    EXPECT_TRUE(launcher.started.isEmpty());
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].caption, "Fehler: Ausführung fehlgeschlagen...");
    EXPECT_EQ(messages.shown[0].text, "Datei konnte nicht gefunden werden.");
}

TEST(OpenUrl, TheDesktopOpenersAnswerReachesTheUser)
{
    TestDir dir;
    EnvironmentGuard env;
    env.set("PATH", QFile::encodeName(dir.file("bin")) + ":/usr/bin:/bin");
    MapRegistry registry;  // no browser known
    ScriptedMessageBox messages;
    ScopedService<platform::RegistryService> r(&registry);
    ScopedService<platform::MessageBoxService> m(&messages);
    ScopedService<platform::ProcessService> p(nullptr);

    // xdg-open's "no application for it" answer.
    const QString opener = dir.write("bin/xdg-open", "#!/bin/sh\nexit 3\n");
    ASSERT_EQ(::chmod(QFile::encodeName(opener).constData(), 0755), 0);
    messages.answers = {platform::MsgResult::Ok, platform::MsgResult::Ok};  // the question, then the error
    OpenUrlInBrowser("gopher://x.de/");
    ASSERT_EQ(messages.shown.size(), 2);
    EXPECT_EQ(messages.shown[1].caption, "Fehler: Ausführung fehlgeschlagen...");
    EXPECT_EQ(messages.shown[1].text, "Dieser Dateierweiterung ist kein Programm zugeordnet.");

    // An opener that finds an application gets the link as one argument.
    QFile::remove(opener);
    RecorderScript recorder(dir, "bin/xdg-open");
    messages.answers = {platform::MsgResult::Ok};
    OpenUrlInBrowser("http://x.de/a b");
    const auto args = recorder.waitForArguments();
    ASSERT_TRUE(args);
    EXPECT_EQ(*args, QStringList{"http://x.de/a%20b"});
    EXPECT_EQ(messages.shown.size(), 3);  // the question only

    EXPECT_EQ(platform::desktopOpenerAnswer(0), platform::LaunchError::None);
    EXPECT_EQ(platform::desktopOpenerAnswer(4), platform::LaunchError::NoAssociation);
    EXPECT_EQ(platform::desktopOpenerAnswer(2), platform::LaunchError::NotFound);
}
