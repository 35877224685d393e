#include "tests/ui/framefixture.h"

#include "dialogs/statisticsdialog.h"

#include "platform/printdialogs.h"
#include "platform/printer.h"

#include <QPrinter>
#include <QProcess>
#include <QLabel>
#include <QTimer>
#include <deque>

using platform::MsgButtons;
using platform::MsgIcon;
using platform::MsgResult;

namespace {

void find(TMainChildForm* child, const QString& text, bool matchCase = false)
{
    child->FindDialog()->setFindText(text);
    child->FindDialog()->setMatchCase(matchCase);
    child->MainMenu_Suchen_Weitersuchen_OnClick();
}

// Every print job goes into a PDF file of its own. The editor asks for the printer as
// often as it likes; a printer that received a job title was used for a job.
class JobPrinters : public platform::PrinterService {
public:
    explicit JobPrinters(QString folder) : folder_(std::move(folder)) {}
    QPrinter* currentPrinter() override
    {
        collect();
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setOutputFormat(QPrinter::PdfFormat);
        file_ = QStringLiteral("%1/printer%2.pdf").arg(folder_).arg(++made_);
        printer_->setOutputFileName(file_);
        return printer_.get();
    }
    // Titles of the jobs printed so far, and the PDF file of each.
    QStringList jobs()
    {
        collect();
        return titles;
    }
    QStringList titles;
    QStringList files;

private:
    void collect()
    {
        if (printer_ && !printer_->docName().isEmpty()) {
            titles.append(printer_->docName());
            files.append(file_);
        }
        printer_.reset();
    }
    QString folder_;
    QString file_;
    int made_ = 0;
    std::unique_ptr<QPrinter> printer_;
};

class ScriptedPrintDialogs : public platform::PrintDialogService {
public:
    bool available = true;
    std::deque<int> copies;  // 0 = cancelled
    int setups = 0;
    bool printerAvailable() override { return available; }
    bool runPrintDialog(QPrinter&, int& chosen) override
    {
        chosen = copies.empty() ? 0 : copies.front();
        if (!copies.empty())
            copies.pop_front();
        return chosen > 0;
    }
    bool runPageSetupDialog(QPrinter&) override
    {
        ++setups;
        return true;
    }
};

}  // namespace

TEST_F(FrameTest, SearchSelectsEachHitThenAsksAtTheEnd)
{
    TMainChildForm* child = openFile("a.txt", "abc abc");
    find(child, "abc");
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
    find(child, "abc");
    EXPECT_EQ(selection(child), std::make_pair(4, 3));
    EXPECT_EQ(shownCount(), 0);
    fakes.messages.answers = {MsgResult::Cancel};
    child->FindDialog()->show();
    find(child, "abc");
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("Suche abgeschloßen..."));
    EXPECT_EQ(lastMessage().text, QString("Das Ende der Textdatei wurde erreicht.\rSuche von vorne beginnen ?"));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Question);
    EXPECT_EQ(lastMessage().buttons, MsgButtons::OkCancel);
    EXPECT_EQ(selection(child), std::make_pair(4, 3));  // Cancel leaves the selection
    EXPECT_FALSE(child->FindDialog()->isVisible());
    // OK starts again from the top.
    fakes.messages.answers = {MsgResult::Ok};
    find(child, "abc");
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
}

TEST_F(FrameTest, SearchCaseRules)
{
    TMainChildForm* child = openFile("a.txt", "xx ABC abc Abc \xE4");
    find(child, "abc", true);
    EXPECT_EQ(selection(child), std::make_pair(7, 3));
    child->RichEdit->setSelectionStart(0);
    find(child, "abc", false);
    EXPECT_EQ(selection(child), std::make_pair(3, 3));
    child->RichEdit->setSelectionStart(0);
    find(child, QStringLiteral("Ä"));  // Ä finds ä
    EXPECT_EQ(shownCount(), 0);
    EXPECT_EQ(selection(child), std::make_pair(15, 1));
}

TEST_F(FrameTest, SearchInAUtf8DocumentFindsUmlautsAndCountsCharacters)
{
    // "Grüße, GRÜSSE und grüße" then a line with a four-byte character before the hit.
    TMainChildForm* child = openFile("u.txt", QString::fromUtf8("Grüße, GRÜSSE\r\n😀 und grüße\r\n").toUtf8());
    ASSERT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    find(child, QString::fromUtf8("grüße"));
    EXPECT_EQ(selection(child), std::make_pair(0, 5));
    EXPECT_EQ(child->RichEdit->SelectionText(), QString::fromUtf8("Grüße").toUtf8());
    find(child, QString::fromUtf8("grüße"));
    EXPECT_EQ(selection(child), std::make_pair(14 + 6, 5));
    EXPECT_EQ(panel(child, 3), QStringLiteral("7:2"));
    EXPECT_EQ(panel(child, 0), QStringLiteral("5 Zeichen markiert."));
    // Umlauts fold too: "grüsse" finds "GRÜSSE".
    child->RichEdit->setSelectionStart(0);
    find(child, QStringLiteral("gr\u00FCsse"));
    EXPECT_EQ(selection(child), std::make_pair(7, 6));
    EXPECT_EQ(shownCount(), 0);
    child->RichEdit->setSelectionStart(0);
    find(child, QString::fromUtf8("GRÜSSE"), true);
    EXPECT_EQ(selection(child), std::make_pair(7, 6));
    // Lower case turns the umlauts and keeps the selection's length in characters.
    child->MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick();
    EXPECT_EQ(child->RichEdit->SelectionText(), QString::fromUtf8("grüsse").toUtf8());
    EXPECT_EQ(selection(child), std::make_pair(7, 6));
    // Inserted lines keep every character.
    child->RichEdit->setSelectionStart(0);
    child->MainMenu_Bearbeiten_DateinameEinfuegen_OnClick();
    EXPECT_TRUE(child->RichEdit->Lines().LineText(0).endsWith("u.txt"));
}

TEST_F(FrameTest, StatisticsOfAUtf8FileCountCharactersAndItsSizeInBytes)
{
    // "Grüße 😀" and "ab": 7 + 2 characters in 16 bytes with the break.
    TMainChildForm* child = openFile("s.txt", QString::fromUtf8("Grüße 😀\r\nab").toUtf8());
    QString characters;
    QString size;
    QTimer::singleShot(0, [&] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        if (auto* form = qobject_cast<TStatistikForm*>(QApplication::activeModalWidget())) {
            characters = form->Label_Zeichenanzahl->text();
            size = form->Label_DateiGroesse->text();
            form->close();
        }
    });
    child->MainMenu_Datei_Statistik->trigger();
    EXPECT_EQ(characters, QStringLiteral("9"));
    EXPECT_EQ(size, QStringLiteral("16 Bytes."));
}

TEST_F(FrameTest, NewDocumentsAreUtf8UnlessTheSettingSaysAnsi)
{
    Globals::Settings().NewFilesUtf8 = false;
    TMainChildForm* ansi = newDocument();
    EXPECT_EQ(ansi->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    // An ASCII file opened meanwhile is Windows-1252 as well.
    TMainChildForm* file = openFile("a.txt", "ascii");
    EXPECT_EQ(file->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    Globals::Settings().NewFilesUtf8 = true;
    TMainChildForm* utf8 = newDocument();
    EXPECT_EQ(utf8->RichEdit->Encoding(), editor::TextEncoding::Utf8);
}

TEST_F(FrameTest, SearchRunsLineByLine)
{
    TMainChildForm* child = openFile("a.txt", "0123456789\r\nabcd\r\nhit here\r\nab\r\ncd\r\n");
    find(child, "hit");
    EXPECT_EQ(selection(child), std::make_pair(16, 3));
    // A pattern across a line break is never found; OK asks again after one more pass.
    child->RichEdit->setSelectionStart(0);
    fakes.messages.answers = {MsgResult::Ok, MsgResult::Cancel};
    find(child, "abcd");
    EXPECT_EQ(selection(child), std::make_pair(11, 4));
    child->RichEdit->setSelectionStart(0);
    find(child, "b\rc");
    EXPECT_EQ(shownCount(), 2);
    // A selection on the last character of a line moves the search to the next line.
    child->RichEdit->setSelectionStart(9);
    child->RichEdit->setSelectionLength(1);
    find(child, "a");
    EXPECT_EQ(selection(child), std::make_pair(11, 1));
}

TEST_F(FrameTest, SearchWithEmptyTextShowsTheDialog)
{
    TMainChildForm* child = openFile("a.txt", "abc");
    find(child, "");
    EXPECT_TRUE(child->FindDialog()->isVisible());
    EXPECT_EQ(shownCount(), 0);
    child->FindDialog()->hide();
}

TEST_F(FrameTest, PrintingMakesOneJobPerCopy)
{
    JobPrinters printers(dir.path());
    ScriptedPrintDialogs dialogs;
    const platform::ScopedService<platform::PrinterService> p(&printers);
    const platform::ScopedService<platform::PrintDialogService> d(&dialogs);
    TMainChildForm* child = openFile("brief.txt", "Sehr geehrte Damen und Herren\r\n");

    dialogs.copies = {0};
    child->MainMenu_Datei_Drucken_OnClick();
    EXPECT_TRUE(printers.jobs().isEmpty());

    dialogs.copies = {3};
    frame->Button_Drucken->trigger();
    const QStringList titles = printers.jobs();
    const QString caption = dir.file("brief.txt");
    EXPECT_EQ(titles, (QStringList{"1 - " + caption, "2 - " + caption, "3 - " + caption}));
    QProcess pdftotext;
    ASSERT_EQ(printers.files.size(), 3);
    pdftotext.start("pdftotext", {printers.files.last(), "-"});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    EXPECT_TRUE(pdftotext.readAllStandardOutput().contains("Sehr geehrte Damen und Herren"));

    child->MainMenu_Datei_DruckerEinrichten_OnClick();
    EXPECT_EQ(dialogs.setups, 1);
}

// Without a printer the user is offered a PDF file instead: Abbrechen prints nothing, OK
// asks for the file's name and prints into it; "Drucker einrichten" sets up that output.
TEST_F(FrameTest, PrintingWithoutPrinterOffersAPdfFile)
{
    ScriptedPrintDialogs dialogs;
    dialogs.available = false;
    const platform::ScopedService<platform::PrintDialogService> d(&dialogs);
    TMainChildForm* child = openFile("brief.txt", "Sehr geehrte Damen und Herren\r\n");
    fakes.messages.answers = {MsgResult::Cancel};
    child->MainMenu_Datei_Drucken_OnClick();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QStringLiteral("Kein Drucker..."));
    EXPECT_EQ(lastMessage().text,
              QStringLiteral("Es ist kein Drucker installiert.\rSoll der Text stattdessen in eine PDF-Datei gedruckt werden ?"));
    EXPECT_EQ(lastMessage().icon, MsgIcon::Question);
    EXPECT_EQ(lastMessage().buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(fakes.dialogs.saveRequests.isEmpty());

    fakes.messages.answers = {MsgResult::Ok};
    fakes.dialogs.saveAnswers = {dir.file("brief")};
    child->MainMenu_Datei_Drucken_OnClick();
    ASSERT_EQ(fakes.dialogs.saveRequests.size(), 1);
    EXPECT_EQ(fakes.dialogs.saveRequests[0].title, QStringLiteral("In PDF-Datei drucken..."));
    EXPECT_EQ(fakes.dialogs.saveRequests[0].fileName, QStringLiteral("brief.pdf"));
    EXPECT_EQ(QDir::cleanPath(fakes.dialogs.saveRequests[0].initialDir), QDir::cleanPath(dir.path()));
    EXPECT_EQ(shownCount(), 2);  // no error
    const QByteArray pdf = TestDir::read(dir.file("brief.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains("%%EOF"));
    QProcess pdftotext;
    pdftotext.start("pdftotext", {dir.file("brief.pdf"), "-"});
    if (pdftotext.waitForFinished(30000)) {
        EXPECT_TRUE(pdftotext.readAllStandardOutput().contains("Sehr geehrte Damen und Herren"));
    }

    child->MainMenu_Datei_DruckerEinrichten_OnClick();
    EXPECT_EQ(dialogs.setups, 1);
    EXPECT_EQ(shownCount(), 2);
}

TEST_F(FrameTest, PrintJobThatFailsAtItsEndIsReportedAsAnError)
{
    // A PDF that cannot be written: every byte goes to a full device.
    platform::PdfPrinterService printers("/dev/full");
    ScriptedPrintDialogs dialogs;
    const platform::ScopedService<platform::PrinterService> p(&printers);
    const platform::ScopedService<platform::PrintDialogService> d(&dialogs);
    TMainChildForm* child = openFile("brief.txt", "Sehr geehrte Damen und Herren\r\n");
    dialogs.copies = {1};
    fakes.messages.answers = {MsgResult::Ok};
    child->MainMenu_Datei_Drucken->trigger();
    ASSERT_EQ(shownCount(), 1);
    EXPECT_EQ(lastMessage().caption, QString("VARNX"));
    EXPECT_EQ(lastMessage().icon, platform::MsgIcon::Error);
    EXPECT_EQ(lastMessage().text,
              QString("Der Druckauftrag \"1 - %1\" konnte nicht abgeschlossen werden.").arg(dir.file("brief.txt")));
}

// Enter in the find dialog finds hit after hit and leaves the text alone: the keyboard
// stays in the dialog. Escape gives it back to the editor; "&Weitersuchen" from the menu
// gives it to the editor as well.
TEST_F(FrameTest, FindDialogKeepsTheKeyboardUntilEscape)
{
    TMainChildForm* child = openFile("a.txt", "abc\r\nabc\r\nabc");
    child->MainMenu_Suchen_Suchen_OnClick();
    QApplication::processEvents();
    TFindDialog* dialog = child->FindDialog();
    ASSERT_TRUE(dialog->isVisible());
    QWidget* edit = dialog->findChild<QWidget*>("FindText");
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }));
    ASSERT_EQ(QApplication::focusWidget(), edit);
    QTest::keyClicks(edit, "abc");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
    EXPECT_TRUE(dialog->isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(selection(child), std::make_pair(4, 3));
    EXPECT_EQ(child->RichEdit->Lines().LineCount(), 3);
    EXPECT_EQ(child->RichEdit->Lines().LineText(1), QByteArray("abc"));
    EXPECT_FALSE(child->RichEdit->TextModified());
    EXPECT_TRUE(dialog->isAncestorOf(QApplication::focusWidget()));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_FALSE(dialog->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == frame.get(); }));
    EXPECT_EQ(QApplication::focusWidget(), child->RichEdit);
    QTest::keyClick(child->RichEdit, Qt::Key_F3, Qt::ControlModifier);  // "&Weitersuchen"
    EXPECT_EQ(selection(child), std::make_pair(8, 3));
    EXPECT_EQ(QApplication::focusWidget(), child->RichEdit);

    // "&Weitersuchen" from the menu while the dialog is open: the editor takes the keyboard.
    child->RichEdit->setSelectionStart(0);
    child->MainMenu_Suchen_Suchen_OnClick();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }));
    child->MainMenu_Suchen_Weitersuchen->trigger();
    QApplication::processEvents();
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == frame.get(); }));
    EXPECT_EQ(QApplication::focusWidget(), child->RichEdit);
    dialog->hide();
}

// A window's find dialog hides while another window is the active one and comes back
// with its own window.
TEST_F(FrameTest, FindDialogFollowsItsWindow)
{
    TMainChildForm* first = openFile("a.txt", "abc");
    first->MainMenu_Suchen_Suchen_OnClick();
    QApplication::processEvents();
    ASSERT_TRUE(first->FindDialog()->isVisible());
    TMainChildForm* second = newDocument();
    ASSERT_NE(second, first);
    EXPECT_FALSE(first->FindDialog()->isVisible());
    frame->MainMenu_Fenster_Naechstes_OnClick();
    QApplication::processEvents();
    ASSERT_EQ(frame->activeDocument(), first);
    EXPECT_TRUE(first->FindDialog()->isVisible());
    // A dialog the user closed stays closed.
    first->FindDialog()->reject();
    frame->MainMenu_Fenster_Naechstes_OnClick();
    frame->MainMenu_Fenster_Naechstes_OnClick();
    QApplication::processEvents();
    ASSERT_EQ(frame->activeDocument(), first);
    EXPECT_FALSE(first->FindDialog()->isVisible());
}

// A character that Windows-1252 cannot hold is in no Windows-1252 text: the search does
// not take the "?" of the text for it, and ends with the question.
TEST_F(FrameTest, SearchForACharacterTheEncodingCannotHoldFindsNothing)
{
    TMainChildForm* child = openFile("a.txt", "Gr\xFC\xDF" "e? ?\r\n?");
    ASSERT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Windows1252);
    for (const QString& wanted : {QStringLiteral("ł"), QString::fromUtf8("😀"), QStringLiteral("e\u0142")}) {
        child->RichEdit->setSelectionStart(0);
        const int before = shownCount();
        fakes.messages.answers = {MsgResult::Cancel};
        find(child, wanted);
        EXPECT_EQ(shownCount(), before + 1) << wanted.toStdString();
        EXPECT_EQ(lastMessage().caption, QStringLiteral("Suche abgeschloßen..."));
        EXPECT_EQ(selection(child), std::make_pair(0, 0)) << wanted.toStdString();
    }
    find(child, QStringLiteral("?"));  // a real "?" is found
    EXPECT_EQ(selection(child), std::make_pair(5, 1));
}

// OK at the end of the text goes on from the very top, also when the search ended on a
// later line than the hit.
TEST_F(FrameTest, SearchAgainFromTheTopStartsAtTheFirstLine)
{
    TMainChildForm* child = openFile("a.txt", "abc xyz\r\nxyz\r\nxyz abc xyz");
    child->RichEdit->setSelectionStart(9 + 4 + 1 + 5);  // after the last "abc"
    fakes.messages.answers = {MsgResult::Ok};
    find(child, "abc");
    EXPECT_EQ(shownCount(), 1);
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
    // Only a hit before the caret on the caret's own line: OK finds the first line's one.
    child->RichEdit->setSelectionStart(9 + 4 + 1 + 8);
    fakes.messages.answers = {MsgResult::Ok};
    find(child, "ABC");
    EXPECT_EQ(shownCount(), 2);
    EXPECT_EQ(selection(child), std::make_pair(0, 3));
}

// Case is ignored for umlauts and the other letters of both encodings; ß stays ß, and the
// case commands convert umlauts too.
TEST_F(FrameTest, CaseRulesCoverUmlauts)
{
    TMainChildForm* ansi = openFile("a.txt", "xx \xE4rger \xFF \xE9t\xE9 W\xF6rtern Stra\xDF" "e");
    find(ansi, QStringLiteral("ÄRGER"));
    EXPECT_EQ(selection(ansi), std::make_pair(3, 5));
    find(ansi, QStringLiteral("Ÿ"));  // Ÿ finds ÿ
    EXPECT_EQ(selection(ansi), std::make_pair(9, 1));
    find(ansi, QStringLiteral("ÉTÉ"));
    EXPECT_EQ(selection(ansi), std::make_pair(11, 3));
    ansi->RichEdit->SelectWholeText();
    ansi->MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick();
    EXPECT_EQ(ansi->RichEdit->Lines().LineText(0), QByteArray("XX \xC4RGER \x9F \xC9T\xC9 W\xD6RTERN STRA\xDF" "E"));
    ansi->MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick();
    EXPECT_EQ(ansi->RichEdit->Lines().LineText(0), QByteArray("xx \xE4rger \xFF \xE9t\xE9 w\xF6rtern stra\xDF" "e"));

    TMainChildForm* utf8 = openFile("u.txt", QString::fromUtf8("Wörtern Straße ÉTÉ łódź\r\n").toUtf8());
    ASSERT_EQ(utf8->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    find(utf8, QString::fromUtf8("WÖRTERN"));
    EXPECT_EQ(selection(utf8), std::make_pair(0, 7));
    find(utf8, QString::fromUtf8("été"));
    EXPECT_EQ(selection(utf8), std::make_pair(15, 3));
    find(utf8, QString::fromUtf8("ŁÓDŹ"));
    EXPECT_EQ(selection(utf8), std::make_pair(19, 4));
    utf8->RichEdit->SelectWholeText();
    utf8->MainMenu_Markierung_InGrobuchstabenUmwandeln_OnClick();
    EXPECT_EQ(utf8->RichEdit->Lines().LineText(0), QString::fromUtf8("WÖRTERN STRAßE ÉTÉ ŁÓDŹ").toUtf8());
    EXPECT_EQ(selection(utf8), std::make_pair(0, 24));  // the line break included
}
