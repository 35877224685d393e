// The resources that ship inside and beside the program: the icons compiled into the
// resource system and the German user guide Doc/Readme.txt.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <iterator>

// The resource file lives in a static library, so its registration has to be pulled in
// explicitly; this must happen outside any namespace.
static void registerProgramResources()
{
    Q_INIT_RESOURCE(varnotex);
}

namespace {

struct ButtonIcon {
    const char* name;
    int size;
};

// One icon per toolbar button, named after the button in lower case.
const ButtonIcon kButtonIcons[] = {
    {"button_neu", 16},
    {"button_oeffnen", 16},
    {"button_speichern", 16},
    {"button_drucken", 16},
    {"button_rueckgaengig", 16},
    {"button_wiederherstellen", 16},
    {"button_ausschneiden", 16},
    {"button_kopieren", 16},
    {"button_einfuegen", 16},
    {"button_loeschen", 16},
    {"button_grossbuchstaben", 16},
    {"button_kleinbuchstaben", 16},
    {"button_nichtsmarkieren", 16},
    {"button_allesmarkieren", 16},
    {"button_suchen", 16},
    {"button_weitersuchen", 16},
    {"button_einstellungenkonfigurieren", 16},
    {"button_infos", 16},
    {"button_laengsteilen", 16},
    {"button_querteilen", 17},
    {"button_ueberlappen", 17},
};

const int kProgramIconSizes[] = {16, 32, 48, 64, 128};

QString sourceDir()
{
    const QByteArray fromEnv = qgetenv("VARNOTEX_SOURCE_DIR");
    if (!fromEnv.isEmpty())
        return QString::fromLocal8Bit(fromEnv);
    // This file is tests/resources/resources_test.cpp below the source folder.
    return QFileInfo(QStringLiteral(__FILE__)).absoluteDir().absoluteFilePath(QStringLiteral("../.."));
}

int visiblePixels(const QImage& image)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    int count = 0;
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(argb.pixel(x, y)) >= 128)
                ++count;
    return count;
}

class Resources : public ::testing::Test {
protected:
    static void SetUpTestSuite() { registerProgramResources(); }
};

TEST_F(Resources, EveryButtonIconLoadsWithItsSizeAndIsADistinctPicture)
{
    QSet<QByteArray> pictures;
    for (const ButtonIcon& icon : kButtonIcons) {
        SCOPED_TRACE(icon.name);
        // Drawn from the SVG source by Qt's SVG icon engine, sharp at any scale.
        const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon.name));
        ASSERT_TRUE(QFile::exists(path)) << "not in the resource system: " << path.toStdString();
        const QIcon qicon(path);
        ASSERT_FALSE(qicon.isNull()) << "the SVG icon engine is missing (libqt6svg6)";
        const QImage image = qicon.pixmap(QSize(icon.size, icon.size), 1.0).toImage();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), icon.size);
        EXPECT_EQ(image.height(), icon.size);
        // At a scale of 2 the picture has twice the pixels, not a blown-up copy.
        const QImage doubled = qicon.pixmap(QSize(icon.size, icon.size), 2.0).toImage();
        EXPECT_EQ(doubled.width(), 2 * icon.size);
        EXPECT_NE(doubled.convertToFormat(QImage::Format_ARGB32),
                  image.scaled(2 * icon.size, 2 * icon.size).convertToFormat(QImage::Format_ARGB32));
        EXPECT_TRUE(image.hasAlphaChannel());  // drawn on a transparent ground
        // A real picture, neither empty nor a filled square.
        const int visible = visiblePixels(image);
        EXPECT_GE(visible, 20);
        EXPECT_LT(visible, icon.size * icon.size);
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        pictures.insert(QByteArray(reinterpret_cast<const char*>(argb.constBits()), int(argb.sizeInBytes())));
    }
    // No button reuses another button's picture.
    EXPECT_EQ(pictures.size(), int(std::size(kButtonIcons)));
}

TEST_F(Resources, ProgramIconLoadsInEverySize)
{
    for (int size : kProgramIconSizes) {
        SCOPED_TRACE(size);
        const QImage image(QStringLiteral(":/icons/varnotex-%1.png").arg(size));
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.width(), size);
        EXPECT_EQ(image.height(), size);
        EXPECT_GE(visiblePixels(image), size * size / 3);
    }
}

TEST_F(Resources, EveryIconHasItsSvgSource)
{
    const QDir icons(sourceDir() + QStringLiteral("/resources/icons"));
    ASSERT_TRUE(icons.exists()) << icons.path().toStdString();
    for (const ButtonIcon& icon : kButtonIcons)
        EXPECT_TRUE(icons.exists(QLatin1String(icon.name) + QLatin1String(".svg"))) << icon.name;
    EXPECT_TRUE(icons.exists(QStringLiteral("varnotex.svg")));
    EXPECT_TRUE(icons.exists(QStringLiteral("LICENSE.txt")));
}

// ---------------------------------------------------------------------------------------
// The user guide

QByteArray readGuide()
{
    QFile file(sourceDir() + QStringLiteral("/resources/Doc/Readme.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The guide is UTF-8 text, as every other text on a Linux desktop.
QByteArray inGuide(const char* utf8) { return QByteArray(utf8); }

class UserGuide : public ::testing::Test {
protected:
    static void SetUpTestSuite() { guide_ = readGuide(); }
    static QByteArray guide_;

    void expectMentioned(const std::initializer_list<const char*>& texts)
    {
        for (const char* text : texts)
            EXPECT_TRUE(guide_.contains(inGuide(text))) << "not in the guide: " << text;
    }
};

QByteArray UserGuide::guide_;

TEST_F(UserGuide, IsUtf8TextWithCrLfLinesUnder80Characters)
{
    ASSERT_GT(guide_.size(), 20000) << "Readme.txt missing or nearly empty";
    const QString text = QString::fromUtf8(guide_);
    ASSERT_EQ(text.toUtf8(), guide_) << "not valid UTF-8";
    EXPECT_FALSE(guide_.startsWith("\xEF\xBB\xBF")) << "no byte order mark";

    // Every line ends in CR LF, the last one included; no lone CR or LF; a line has fewer
    // than 80 characters (not bytes).
    ASSERT_TRUE(text.endsWith(QLatin1String("\r\n")));
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r')) {
            ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) << "lone CR in line " << line;
        } else if (c == QLatin1Char('\n')) {
            ASSERT_TRUE(i > 0 && text[i - 1] == QLatin1Char('\r')) << "lone LF in line " << line;
            EXPECT_LT(i - 1 - lineStart, 80) << "line " << line << " is too long";
            lineStart = i + 1;
            ++line;
        } else {
            EXPECT_FALSE(c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
                << "control character in line " << line;
        }
    }

    // Umlauts are UTF-8 sequences, not single Windows-1252 bytes.
    EXPECT_TRUE(guide_.contains("Menü"));
    EXPECT_TRUE(guide_.contains("Größe"));
    EXPECT_FALSE(guide_.contains(QString::fromUtf8("Menü").toLatin1())) << "Windows-1252 encoded umlaut";
}

TEST_F(UserGuide, ContentsListEverySectionInOrder)
{
    // The contents: the indented numbered lines after "Inhalt", up to the first blank line.
    // The sections: numbered lines at the start of a line, underlined with "-".
    const QList<QByteArray> lines = guide_.split('\n');
    QList<QByteArray> contents;
    QList<QByteArray> sections;
    bool inContents = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line == "Inhalt") {
            inContents = true;
            continue;
        }
        if (inContents) {
            if (line.isEmpty() && !contents.isEmpty())
                inContents = false;
            else if (!line.isEmpty())
                contents.append(line);
            continue;
        }
        const bool numbered = !line.isEmpty() && line[0] >= '1' && line[0] <= '9' && line.contains(". ");
        const bool underlined = i + 1 < lines.size() && lines[i + 1].trimmed().startsWith("---");
        if (numbered && underlined && lines[i].startsWith(line.left(1)))
            sections.append(line);
    }
    EXPECT_GE(sections.size(), 18);
    EXPECT_EQ(contents, sections);
}

TEST_F(UserGuide, DescribesEveryTopLevelMenuAndItsItems)
{
    expectMentioned({"Menü \"Datei\"", "Menü \"Bearbeiten\"", "Menü \"Markierung\"",
                     "Menü \"Suchen\"", "Menü \"Optionen\"", "Menü \"Fenster\"",
                     "Menü \"Tools\"", "Menü \"Hilfe\""});
    expectMentioned({"Neu", "Öffnen", "Speichern unter...", "Schließen", "Alle schließen",
                     "Statistik", "Drucken", "Drucker einrichten", "Beenden",
                     "Rückgängig", "Wiederherstellen", "Ausschneiden", "Kopieren",
                     "Einfügen", "Löschen", "Datum/Uhrzeit einfügen", "Dateiname einfügen",
                     "Nur lesen zulassen", "Zeilen umbrechen",
                     "Markierung in Großbuchstaben umwandeln",
                     "Markierung in Kleinbuchstaben umwandeln", "Nichts markieren",
                     "Alles markieren", "Weitersuchen",
                     "Toolbar \"Datei\" einblenden", "Toolbar \"Bearbeiten\" einblenden",
                     "Toolbar \"Markierung\" einblenden", "Toolbar \"Suchen\" einblenden",
                     "Toolbar \"Optionen\" einblenden", "Toolbar \"Fenster\" einblenden",
                     "Einstellungen konfigurieren", "Vorheriges", "Nächstes", "Längsteilen",
                     "Querteilen", "Überlappen", "Symbole anordnen", "Hilfethemen",
                     "Infos..."});
    // The shortcuts, including the two doubly given keys that go to the first item.
    expectMentioned({"Alt+X", "Strg+R", "Strg+W", "Strg+A", "Strg+D", "Strg+N", "Strg+L",
                     "Strg+U", "Strg+F2", "Strg+F3", "Umschalt+F1", "Umschalt+F6",
                     "Umschalt+F7", "Umschalt+F8", "F10", "F11", "F12"});
    EXPECT_TRUE(guide_.contains(inGuide("Umschalt+F1   Symbolleiste \"Datei\" ein/aus")));
}

TEST_F(UserGuide, NamesEveryToolbarButtonHint)
{
    expectMentioned({"\"Neu\"", "\"Datei öffnen\"", "\"Änderungen speichern\"", "\"Ausdrucken\"",
                     "\"Rückgängig\"", "\"Wiederherstellen\"", "\"Ausschneiden\"", "\"Kopieren\"",
                     "\"Einfügen\"", "\"Löschen\"",
                     "\"Markierung in Großbuchstaben umwandeln\"",
                     "\"Markierung in Kleinbuchstaben umwandeln\"", "\"Nichts markieren\"",
                     "\"Alles markieren\"", "\"Suchen\"", "\"Weitersuchen\"",
                     "\"Einstellungen konfigurieren\"", "\"Infos...\"", "\"Fenster längsteilen\"",
                     "\"Fenster querteilen\"", "\"Fenster überlappen\""});
}

TEST_F(UserGuide, DocumentsEverySettingsKeyWithItsDefault)
{
    expectMentioned({"[MainWindow]", "[OpenFiles]", "[Tools]", "[View]", "[Open]", "[Save]",
                     "[Toolbar_Datei]", "[Toolbar_Bearbeiten]", "[Toolbar_Markierung]",
                     "[Toolbar_Suchen]", "[Toolbar_Optionen]", "[Toolbar_Fenster]"});
    expectMentioned({"SingleInstance=0", "Width=", "Height=", "State=1", "ShowMarkbar=1",
                     "AutoUrlDetection=1", "StartWithNewDoc=0", "OpenAsReadOnlyIfIsReadOnly=0",
                     "Filter=", "AutoSaveSettings=1", "AutoSaveOpenFiles=0", "Rev=2",
                     "Visible=", "DockedTo=", "DockRow=", "DockPos=", "FloatLeft=",
                     "FloatTop=", "FloatRightX="});
    // The settings dialog's controls, by the captions the user sees.
    expectMentioned({"Nur eine Instanz zulassen (Merfaches Starten verhindern)",
                     "Markierungsleiste anzeigen (links vom Textfeld)",
                     "Automatische Url-Erkennung verwenden", "Immer mit neuem Dokument starten",
                     "Einstellungen beim beenden automatisch speichern",
                     "Arbeitsplatz (geöffnete Dateien) merken", "Hinzufügen", "Entfernen",
                     "Übernehmen", "Abbrechen"});
}

TEST_F(UserGuide, BuildPlacesTheGuideBesideTheProgram)
{
    const QByteArray binary = qgetenv("VARNOTEX_BINARY");
    if (binary.isEmpty())
        GTEST_SKIP() << "VARNOTEX_BINARY not set (run through ctest)";
    // F1 looks for Doc/Readme.txt beside the program. The copy is refreshed only when the
    // program is linked again, so compare its title line rather than every byte.
    QFile copy(QFileInfo(QString::fromLocal8Bit(binary)).absolutePath() + QStringLiteral("/Doc/Readme.txt"));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << copy.fileName().toStdString();
    const QByteArray copied = copy.readAll();
    EXPECT_GT(copied.size(), 20000);
    EXPECT_EQ(copied.left(copied.indexOf("\r\n")), guide_.left(guide_.indexOf("\r\n")));
}

}  // namespace
