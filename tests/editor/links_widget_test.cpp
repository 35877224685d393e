#include "tests/editor/editortesting.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The middle of the character at pos, in viewport coordinates.
QPoint middleOf(TTextEditor& editor, int pos)
{
    const QRect a = editor.positionRect(pos);
    const QRect b = editor.positionRect(pos + 1);
    return QPoint((a.x() + b.x()) / 2, a.center().y());
}

void hover(TTextEditor& editor, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, editor.viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(editor.viewport(), &move);
}

int countPixels(const QImage& image, const QRect& area, const std::function<bool(QColor)>& test)
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            n += test(image.pixelColor(x, y)) ? 1 : 0;
    }
    return n;
}

const QByteArray kText = "Siehe http://example.org/seite.html und mehr\r\nzweite Zeile";

}  // namespace

TEST(EditorLinks, HoverShowsTheHandAndReportsTheLink)
{
    auto editor = makeEditor(kText);
    QSignalSpy moves(editor.get(), &TCustomTextEditor::OnURLMove);
    hover(*editor, middleOf(*editor, 10));
    EXPECT_EQ(editor->viewport()->cursor().shape(), Qt::PointingHandCursor);
    ASSERT_EQ(moves.count(), 1);
    EXPECT_EQ(moves.at(0).at(0).toString(), QString("http://example.org/seite.html"));
    hover(*editor, middleOf(*editor, 2));
    EXPECT_EQ(editor->viewport()->cursor().shape(), Qt::IBeamCursor);
    EXPECT_EQ(moves.count(), 1);
}

TEST(EditorLinks, ReleaseOverALinkClicksItAndPlacesTheCaret)
{
    auto editor = makeEditor(kText);
    QSignalSpy clicks(editor.get(), &TCustomTextEditor::OnURLClick);
    QTest::mousePress(editor->viewport(), Qt::LeftButton, {}, middleOf(*editor, 12));
    EXPECT_EQ(clicks.count(), 0);  // pressing alone raises nothing
    QTest::mouseRelease(editor->viewport(), Qt::LeftButton, {}, middleOf(*editor, 12));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks.at(0).at(0).toString(), QString("http://example.org/seite.html"));
    EXPECT_GE(editor->SelectionStart(), 12);
    EXPECT_LE(editor->SelectionStart(), 13);
    // A click on plain text raises nothing.
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, middleOf(*editor, 2));
    EXPECT_EQ(clicks.count(), 1);
}

TEST(EditorLinks, NoLinksWithoutDetection)
{
    auto editor = makeEditor(kText);
    editor->setAutoURLDetect(adNone);
    QSignalSpy clicks(editor.get(), &TCustomTextEditor::OnURLClick);
    QSignalSpy moves(editor.get(), &TCustomTextEditor::OnURLMove);
    hover(*editor, middleOf(*editor, 10));
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, middleOf(*editor, 10));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(moves.count(), 0);
    EXPECT_EQ(editor->viewport()->cursor().shape(), Qt::IBeamCursor);
}

TEST(EditorLinks, LinksFollowEdits)
{
    auto editor = makeEditor("x www.beispiel.de y");
    EXPECT_EQ(editor->linkAt(middleOf(*editor, 4)), QString("www.beispiel.de"));
    editor->setSelectionStart(2);
    editor->setSelectionLength(4);
    editor->setSelectionText("WWW_");  // no longer a link
    EXPECT_TRUE(editor->linkAt(middleOf(*editor, 4)).isEmpty());
    editor->UndoLastStep();
    EXPECT_EQ(editor->linkAt(middleOf(*editor, 4)), QString("www.beispiel.de"));
}

TEST(EditorLinks, LinksDeepInAVeryLongLine)
{
    // Far along a line of 300,000 characters: the link where the view is, one that starts
    // where the view starts, and edits in front of them.
    QByteArray line;
    while (line.size() < 300000)
        line += "Wort und noch ein Wort ";
    const int at = 250000 - 250000 % 23;  // where a "Wort" begins
    line.insert(at, "www.beispiel.de/tief ");
    auto editor = makeEditor(line);
    editor->setSelectionStart(at + 5);  // scrolls there
    EXPECT_EQ(editor->linkAt(middleOf(*editor, at + 3)), QString("www.beispiel.de/tief"));
    EXPECT_TRUE(editor->linkAt(middleOf(*editor, at - 3)).isEmpty());
    editor->setSelectionStart(10);
    editor->setSelectionText("mehr Text ");
    editor->setSelectionStart(at + 15);
    EXPECT_EQ(editor->linkAt(middleOf(*editor, at + 13)), QString("www.beispiel.de/tief"));
    editor->setSelectionStart(at + 25);
    editor->setSelectionLength(1);
    editor->setSelectionText(" ");  // the "/" becomes a blank: the link ends before it
    EXPECT_EQ(editor->linkAt(middleOf(*editor, at + 13)), QString("www.beispiel.de"));
    EXPECT_TRUE(editor->linkAt(middleOf(*editor, at + 27)).isEmpty());
}

TEST(EditorLinks, ExtendedModeUsesTheEntrysColourAndCursor)
{
    auto editor = makeEditor("mailto:a@b.de und http:");
    editor->setAutoURLDetect(adExtended);
    TURLCollection urls;
    urls.AddURLType("mailto", 0x0000FF /* red */, false, -3 /* cross */);
    editor->setCustomURLs(urls);
    hover(*editor, middleOf(*editor, 3));
    EXPECT_EQ(editor->viewport()->cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(editor->linkAt(middleOf(*editor, 3)), QString("mailto:a@b.de"));
    EXPECT_TRUE(editor->linkAt(middleOf(*editor, 20)).isEmpty());  // the scheme alone is no link
    const QImage image = editor->viewport()->grab().toImage();
    const QRect linkArea(editor->positionRect(0).topLeft(), editor->positionRect(13).bottomLeft());
    EXPECT_GT(countPixels(image, linkArea, [](QColor c) { return c.red() > 150 && c.green() < 100 && c.blue() < 100; }), 0);
}

TEST(EditorLinks, DefaultLinksAreDrawnBlueAndUnderlined)
{
    auto editor = makeEditor(kText);
    const QImage image = editor->viewport()->grab().toImage();
    auto blue = [](QColor c) { return c.blue() > 150 && c.red() < 100 && c.green() < 100; };
    const QRect link(editor->positionRect(6).topLeft(), editor->positionRect(35).bottomLeft());
    const QRect plain(editor->positionRect(0).topLeft(), editor->positionRect(5).bottomLeft());
    EXPECT_GT(countPixels(image, link, blue), link.width());  // text plus an underline
    EXPECT_EQ(countPixels(image, plain, blue), 0);
}
