// The usual second keys, recently opened files, dropped files, the font size and the
// question before characters that Windows-1252 cannot hold.

#include "tests/ui/framefixture.h"
#include "tests/support/guards.h"
#include "platform/iniprofile.h"

#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

QAction* recentItem(TMainForm* frame, int number)
{
    frame->updateRecentFilesMenu();
    return frame->MainMenu_Datei_ZuletztGeoeffnet->findChild<QAction*>(
        QStringLiteral("MainMenu_Datei_ZuletztGeoeffnet_%1").arg(number));
}

void drop(QWidget* target, QMimeData* data, QPoint at = QPoint(20, 10))
{
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
    QApplication::processEvents();
}

}  // namespace

TEST_F(FrameTest, UsualKeysSaveOpenFindAndLeaveTheMenusAlone)
{
    TMainChildForm* child = openFile("a.txt", "abc");
    type(child, "x");
    ASSERT_TRUE(child->RichEdit->TextModified());
    pressInEditor(child, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(child->RichEdit->TextModified());
    EXPECT_EQ(TestDir::read(child->caption()), QByteArray("xabc"));
    // Strg+Z and Strg+Y are the editor's own undo and redo.
    pressInEditor(child, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("abc"));
    pressInEditor(child, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("xabc"));
    pressInEditor(child, Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(child->FindDialog()->isVisible());
    child->FindDialog()->hide();
    fakes.dialogs.openAnswers = {QString()};
    pressInEditor(child, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(fakes.dialogs.openRequests.size(), 1);
    // The menus show the keys they always had.
    EXPECT_EQ(child->MainMenu_Datei_Speichern->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(child->MainMenu_Datei_Oeffnen->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(child->MainMenu_Suchen_Suchen->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F2));
    EXPECT_EQ(frame->MainMenu_Datei_Beenden->shortcut(), QKeySequence(Qt::ALT | Qt::Key_X));
    // F3 still opens, whatever the document's state.
    fakes.dialogs.openAnswers = {QString()};
    pressInEditor(child, Qt::Key_F3, Qt::NoModifier);
    EXPECT_EQ(fakes.dialogs.openRequests.size(), 2);
}

TEST_F(FrameTest, RecentFileOpensThroughTheMenuAfterARestart)
{
    const QString a = dir.write("a.txt", "a");
    const QString b = dir.write("b.txt", "b");
    Globals::Settings().AutoSaveSettings = true;
    frame->OpenDocument(a);
    frame->OpenDocument(b);
    QApplication::processEvents();
    EXPECT_EQ(Globals::Settings().RecentFiles, (QStringList{b, a}));
    frame->close();
    QApplication::processEvents();
    platform::FileIniProfileService profile;
    const QString ini = Globals::Settings().IniFileName;
    EXPECT_EQ(profile.readString(ini, "RecentFiles", "1", ""), b);
    EXPECT_EQ(profile.readString(ini, "RecentFiles", "2", ""), a);

    frame.reset();
    Globals::ResetSettings();
    const CwdGuard cwd(dir.path());
    frame = std::make_unique<TMainForm>();
    ASSERT_TRUE(frame->OnCreate());
    frame->show();
    QApplication::processEvents();
    QAction* second = recentItem(frame.get(), 2);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->text(), "&2 " + a);
    clickMenuItem(frame->MainMenu_Datei_ZuletztGeoeffnet, second);
    QApplication::processEvents();
    ASSERT_NE(frame->activeDocument(), nullptr);
    EXPECT_EQ(frame->activeDocument()->caption(), a);
    EXPECT_EQ(Globals::Settings().RecentFiles, (QStringList{a, b}));
    // The document window's "Datei" holds the same list after "Speichern unter...".
    const QList<QAction*> items = frame->activeDocument()->MainMenu_Datei->actions();
    const qsizetype at = items.indexOf(frame->activeDocument()->MainMenu_Datei_SpeichernUnter);
    EXPECT_EQ(items.value(at + 1), frame->MainMenu_Datei_ZuletztGeoeffnet->menuAction());
    // A file that has gone: the open error, and it leaves the list.
    QFile::remove(b);
    fakes.messages.answers = {MsgResult::Ok};
    recentItem(frame.get(), 2)->trigger();
    QApplication::processEvents();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().text, QString("Die angegebene Datei \"%1\" konnte nicht gefunden werden.").arg(b));
    EXPECT_EQ(Globals::Settings().RecentFiles, (QStringList{a}));
    frame->MainMenu_Datei_ZuletztGeoeffnet_ListeLeeren->trigger();
    EXPECT_TRUE(Globals::Settings().RecentFiles.isEmpty());
}

TEST_F(FrameTest, RecentFilesKeepTenMostRecentFirst)
{
    for (int i = 1; i <= 12; ++i)
        Globals::NoteRecentFile(QStringLiteral("/f%1").arg(i));
    Globals::NoteRecentFile("/f5");
    const QStringList& list = Globals::Settings().RecentFiles;
    ASSERT_EQ(list.size(), 10);
    EXPECT_EQ(list.first(), QString("/f5"));
    EXPECT_EQ(list[1], QString("/f12"));
    EXPECT_EQ(list.last(), QString("/f3"));
    EXPECT_EQ(recentItem(frame.get(), 10)->text(), QString("1&0 /f3"));
    EXPECT_EQ(Globals::RecentFilesFromSection({"2=/b", "1=/a", "11=/x", "x=/y", "3=/a"}), (QStringList{"/a", "/b"}));
}

TEST_F(FrameTest, DroppedFilesOpenInTheirOrder)
{
    const QString a = dir.write("a.txt", "a");
    const QString b = dir.write("b.txt", "b");
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b), QUrl("https://example.org/")});
    drop(frame.get(), data);
    delete data;
    ASSERT_EQ(frame->documentCount(), 2);
    EXPECT_EQ(frame->pageCtrl()->tabText(0), QString("a.txt"));
    EXPECT_EQ(frame->pageCtrl()->tabText(1), QString("b.txt"));
    EXPECT_EQ(frame->activeDocument()->caption(), b);
}

TEST_F(FrameTest, TextDroppedInTheEditorIsOneUndoStep)
{
    TMainChildForm* child = openFile("a.txt", "abcdef");
    QMimeData data;
    data.setText("XY");
    QWidget* viewport = child->RichEdit->viewport();
    const QRect third = child->RichEdit->positionRect(3);
    drop(viewport, &data, third.topLeft() + QPoint(1, third.height() / 2));
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("abcXYdef"));
    child->MainMenu_Bearbeiten_Rueckgaengig->trigger();
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("abcdef"));
    child->MainMenu_Bearbeiten_NurLesenZulassen->trigger();
    drop(viewport, &data, third.topLeft() + QPoint(1, third.height() / 2));
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("abcdef"));
}

TEST_F(FrameTest, FontSizeKeysChangeEveryEditorAndAreKept)
{
    TMainChildForm* first = newDocument();
    TMainChildForm* second = newDocument();
    const int start = second->RichEdit->FontPointSize();
    pressInEditor(second, Qt::Key_Plus, Qt::ControlModifier);
    pressInEditor(second, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(Globals::Settings().FontSize, 11);
    EXPECT_EQ(first->RichEdit->FontPointSize(), 11);
    EXPECT_EQ(second->RichEdit->FontPointSize(), 11);
    pressInEditor(second, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(first->RichEdit->FontPointSize(), 10);
    for (int i = 0; i < 50; ++i)
        frame->zoomBy(1);
    EXPECT_EQ(Globals::Settings().FontSize, 48);
    // Strg and the wheel over the editor.
    QWheelEvent wheel(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::ControlModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(first->RichEdit->viewport(), &wheel);
    EXPECT_EQ(Globals::Settings().FontSize, 47);
    // A new window takes the size; Strg+0 goes back to the system's.
    TMainChildForm* third = newDocument();
    EXPECT_EQ(third->RichEdit->FontPointSize(), 47);
    pressInEditor(third, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Globals::Settings().FontSize, 0);
    EXPECT_EQ(first->RichEdit->FontPointSize(), start);
    // Kept at shutdown.
    Globals::Settings().AutoSaveSettings = true;
    frame->zoomBy(1);
    for (TMainChildForm* child : frame->documents())
        child->RichEdit->setTextModified(false);
    frame->close();
    platform::FileIniProfileService profile;
    EXPECT_EQ(profile.readString(Globals::Settings().IniFileName, "View", "FontSize", ""), QString::number(start + 1));
}

TEST_F(FrameTest, NewTextIsUtf8AndAsciiFilesFollow)
{
    TMainChildForm* fresh = newDocument();
    EXPECT_EQ(fresh->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    TMainChildForm* ascii = openFile("a.txt", "ascii\r\n");
    EXPECT_EQ(ascii->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    TMainChildForm* ansi = openFile("b.txt", "Gr\xFC\xDF" "e\r\n");
    EXPECT_EQ(ansi->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    Globals::Settings().NewFilesUtf8 = false;
    EXPECT_EQ(newDocument()->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    EXPECT_EQ(openFile("c.txt", "ascii")->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
}

TEST_F(FrameTest, PastingACharacterThatWindows1252CannotHoldAsksOnce)
{
    TMainChildForm* child = openFile("b.txt", "Gr\xFC\xDF" "e\r\nzwei");
    ASSERT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    QApplication::clipboard()->setText(QString::fromUtf8("Łódź"));
    child->RichEdit->setSelectionStart(6);
    fakes.messages.answers = {MsgResult::Yes};
    clickMenuItem(child->MainMenu_Bearbeiten, child->MainMenu_Bearbeiten_Einfuegen);
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Zeichensatz"));
    EXPECT_EQ(lastMessage().text, QString::fromUtf8("Das Dokument ist in Windows-1252 gespeichert und kann \"Ł\" nicht "
                                                    "aufnehmen.\rDokument in UTF-8 umwandeln ?"));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Question);
    EXPECT_EQ(lastMessage().buttons, MsgButtons::YesNo);
    EXPECT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    EXPECT_EQ(child->RichEdit->decodeText(child->RichEdit->Lines().Text()), QString::fromUtf8("Grüße\rŁódźzwei"));
    clickMenuItem(child->MainMenu_Datei, child->MainMenu_Datei_Speichern);
    EXPECT_EQ(TestDir::read(child->caption()), QByteArray("Gr\xC3\xBC\xC3\x9F" "e\r\n\xC5\x81\xC3\xB3" "d\xC5\xBA" "zwei"));
    // Undo takes the paste back, then the conversion: the old bytes again.
    child->MainMenu_Bearbeiten_Rueckgaengig->trigger();
    child->MainMenu_Bearbeiten_Rueckgaengig->trigger();
    EXPECT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    EXPECT_EQ(child->RichEdit->Lines().Text(), QByteArray("Gr\xFC\xDF" "e\rzwei"));

    // Nein keeps the "?" and is not asked again for this document.
    TMainChildForm* other = openFile("c.txt", "\xE4");
    fakes.messages.answers = {MsgResult::No};
    clickMenuItem(other->MainMenu_Bearbeiten, other->MainMenu_Bearbeiten_Einfuegen);
    clickMenuItem(other->MainMenu_Bearbeiten, other->MainMenu_Bearbeiten_Einfuegen);
    EXPECT_EQ(shownCount(), 2);
    EXPECT_EQ(other->RichEdit->Lines().Text(), QByteArray("?\xF3" "d??\xF3" "d?\xE4"));
}
