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

std::pair<int, int> selection(TMainChildForm* child)
{
    return {child->RichEdit->SelectionStart(), child->RichEdit->SelectionLength()};
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
    fakes.messages.answers = {MsgResult::Cancel};
    find(child, "\xC4");  // Ä does not find ä
    EXPECT_EQ(shownCount(), 1);
    EXPECT_EQ(selection(child), std::make_pair(0, 0));
}

TEST_F(FrameTest, SearchInAUtf8DocumentFindsUmlautsAndCountsCharacters)
{
    // "Grüße, GRÜSSE und grüße" then a line with a four-byte character before the hit.
    TMainChildForm* child = openFile("u.txt", QString::fromUtf8("Grüße, GRÜSSE\r\n😀 und grüße\r\n").toUtf8());
    ASSERT_EQ(child->RichEdit->Encoding(), editor::TextEncoding::Utf8);
    find(child, QString::fromUtf8("grüße"));  // only ASCII letters fold: "Grüße" is found
    EXPECT_EQ(selection(child), std::make_pair(0, 5));
    EXPECT_EQ(child->RichEdit->SelectionText(), QString::fromUtf8("Grüße").toUtf8());
    find(child, QString::fromUtf8("grüße"));
    EXPECT_EQ(selection(child), std::make_pair(14 + 6, 5));
    EXPECT_EQ(panel(child, 3), QStringLiteral("7:2"));
    EXPECT_EQ(panel(child, 0), QStringLiteral("5 Zeichen markiert."));
    // "Ü" is no ASCII letter: "grüsse" does not find "GRÜSSE".
    child->RichEdit->setSelectionStart(0);
    fakes.messages.answers = {MsgResult::Cancel};
    find(child, QStringLiteral("gr\u00FCsse"));
    EXPECT_EQ(shownCount(), 1);
    find(child, QString::fromUtf8("GRÜSSE"), true);
    EXPECT_EQ(selection(child), std::make_pair(7, 6));
    // Upper case keeps the umlauts and the selection's length in characters.
    child->MainMenu_Markierung_InKleinbuchstabenUmwandeln_OnClick();
    EXPECT_EQ(child->RichEdit->SelectionText(), QString::fromUtf8("grÜsse").toUtf8());
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

TEST_F(FrameTest, PrintingWithoutPrinterTellsTheUser)
{
    ScriptedPrintDialogs dialogs;
    dialogs.available = false;
    const platform::ScopedService<platform::PrintDialogService> d(&dialogs);
    TMainChildForm* child = newDocument();
    fakes.messages.answers = {MsgResult::Ok, MsgResult::Ok};
    child->MainMenu_Datei_Drucken_OnClick();
    child->MainMenu_Datei_DruckerEinrichten_OnClick();
    ASSERT_EQ(shownCount(), 2);
    EXPECT_EQ(lastMessage().caption, QString("Fehler:"));
    EXPECT_TRUE(lastMessage().text.startsWith("Es ist kein Drucker installiert."));
    EXPECT_EQ(dialogs.setups, 0);
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
