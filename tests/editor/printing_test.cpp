#include "platform/errors.h"
#include "platform/printdialogs.h"
#include "platform/printer.h"
#include "tests/editor/editortesting.h"
#include "tests/support/tempdir.h"

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

QString runTool(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pageCount(const QString& pdf)
{
    const QString info = runTool("pdfinfo", {pdf});
    for (const QString& line : info.split('\n')) {
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

// Empty when no printer can be started.
class NoPrinter : public platform::PrinterService {
public:
    QPrinter* currentPrinter() override { return nullptr; }
};

}  // namespace

TEST(EditorPrinting, TheWholeTextGoesOnAsManyPagesAsNeeded)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty() || QStandardPaths::findExecutable("pdfinfo").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    TestDir dir;
    const QString pdf = dir.file("druck.pdf");
    platform::PdfPrinterService printer(pdf);
    platform::ScopedService<platform::PrinterService> scoped(&printer);

    QByteArray text;
    for (int i = 1; i <= 300; ++i)
        text += "Zeile " + QByteArray::number(i) + " Gr\xfc\xdf" "e \x80\r\n";
    // A line far wider than the page: nothing of it may be cut off.
    QByteArray wide;
    for (int i = 0; i < 60; ++i)
        wide += "Wort" + QByteArray::number(i) + " ";
    text += wide + "\r\nEnde";
    auto editor = makeEditor(text);
    editor->setSelectionStart(5);
    editor->setSelectionLength(3);  // a selection does not limit printing
    editor->PrintText("1 - /tmp/brief.txt");
    EXPECT_EQ(printer.printer().docName(), QString("1 - /tmp/brief.txt"));

    EXPECT_GT(pageCount(pdf), 3);
    const QString out = runTool("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(out.contains(QString::fromUtf8("Zeile 1 Grüße €")));
    EXPECT_TRUE(out.contains(QString::fromUtf8("Zeile 300 Grüße €")));
    EXPECT_TRUE(out.contains("Ende"));
    for (int i = 0; i < 60; ++i)
        EXPECT_TRUE(out.contains(QRegularExpression("\\bWort" + QString::number(i) + "\\b"))) << i;
    // The wide line went onto more than one line of paper.
    int wideLines = 0;
    for (const QString& line : out.split('\n'))
        wideLines += line.contains("Wort") ? 1 : 0;
    EXPECT_GT(wideLines, 1);
}

TEST(EditorPrinting, AUtf8TextPrintsItsCharacters)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    TestDir dir;
    const QString pdf = dir.file("utf8.pdf");
    platform::PdfPrinterService printer(pdf);
    platform::ScopedService<platform::PrinterService> scoped(&printer);
    // A wide line of umlauts is broken between characters, never inside one.
    QByteArray wide;
    for (int i = 0; i < 40; ++i)
        wide += QString::fromUtf8("Größe%1 ").arg(i).toUtf8();
    auto editor = makeEditor(QString::fromUtf8("Grüße „αβγ“ €\r\n").toUtf8() + wide);
    ASSERT_EQ(editor->Encoding(), editor::TextEncoding::Utf8);
    editor->PrintText("1 - utf8.txt");
    const QString out = runTool("pdftotext", {"-layout", pdf, "-"});
    EXPECT_TRUE(out.contains(QString::fromUtf8("Grüße „αβγ“ €"))) << out.toStdString();
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(out.contains(QString::fromUtf8("Größe%1").arg(i))) << i;
    EXPECT_FALSE(out.contains(QChar(0xFFFD)));
}

TEST(EditorPrinting, WithoutPrinterTheUserIsTold)
{
    NoPrinter none;
    platform::ScopedService<platform::PrinterService> scoped(&none);
    auto editor = makeEditor("Text");
    try {
        editor->PrintText("Titel");
        FAIL() << "no error";
    } catch (const platform::AppError& e) {
        EXPECT_EQ(e.message(), QString("Es ist kein Drucker eingerichtet"));
    }
}

TEST(EditorPrinting, APdfFileThatCannotBeWrittenIsNamedWithTheReason)
{
    TestDir dir;
    const QString pdf = dir.file("fehlt/brief.pdf");
    platform::PdfPrinterService printer(pdf);
    platform::ScopedService<platform::PrinterService> scoped(&printer);
    auto editor = makeEditor("Text");
    try {
        editor->PrintText("1 - brief.txt");
        FAIL() << "no error";
    } catch (const platform::AppError& e) {
        EXPECT_EQ(e.message(), QString("Der Druckauftrag \"1 - brief.txt\" konnte nicht gestartet werden.\r"
                                       "Die PDF-Datei \"%1\" kann nicht geschrieben werden: Der Ordner existiert nicht")
                                   .arg(pdf));
    }
    EXPECT_FALSE(QFileInfo::exists(dir.file("fehlt")));
}

namespace {

// The top left corner of the first word on the first page, in points from the paper's
// top left corner.
QPointF firstWordCorner(const QString& pdf)
{
    const QString boxes = runTool("pdftotext", {"-bbox", "-f", "1", "-l", "1", pdf, "-"});
    const QRegularExpression word(QStringLiteral("<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\""));
    const QRegularExpressionMatch m = word.match(boxes);
    if (!m.hasMatch())
        return QPointF(-1, -1);
    return QPointF(m.captured(1).toDouble(), m.captured(2).toDouble());
}

}  // namespace

TEST(EditorPrinting, PrintsInsideTheMarginsChosenForLaterJobs)
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    TestDir dir;
    platform::PdfPrinterService printer(dir.file("erster.pdf"));
    platform::ScopedService<platform::PrinterService> scoped(&printer);
    auto editor = makeEditor("Erste Zeile\r\nZweite Zeile\r\n");
    constexpr qreal mmToPt = 72.0 / 25.4;

    // Even with no margins asked for, nothing is drawn at the paper's very corner unless
    // the printer can print there: the text starts at the printable area.
    editor->PrintText("1 - a");
    const QRectF printable = printer.printer().pageRect(QPrinter::Point);
    const QPointF plain = firstWordCorner(dir.file("erster.pdf"));
    EXPECT_GE(plain.x(), printable.left() - 0.5);
    EXPECT_GE(plain.y(), printable.top() - 0.5);

    // The set-up dialog's margins hold for every later job.
    platform::applyPrinterSetup(printer.printer(),
                                {QString(), QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                                        QMarginsF(30, 25, 20, 20), QPageLayout::Millimeter)});
    for (const char* name : {"zweiter.pdf", "dritter.pdf"}) {
        printer.printer().setOutputFileName(dir.file(name));
        editor->PrintText(QStringLiteral("2 - a"));
        const QPointF corner = firstWordCorner(dir.file(name));
        EXPECT_GE(corner.x(), 30 * mmToPt - 0.5) << name;
        EXPECT_LT(corner.x(), 30 * mmToPt + 5) << name;
        EXPECT_GE(corner.y(), 25 * mmToPt - 0.5) << name;
        EXPECT_LT(corner.y(), 25 * mmToPt + 15) << name;
    }
}
