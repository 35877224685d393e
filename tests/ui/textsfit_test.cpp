#include "tests/ui/framefixture.h"

#include <QFontMetrics>

namespace {

// The text shows in full in the panel's text room.
void expectPanelShows(TStatusBar* bar, int index, const QString& text)
{
    const QFontMetrics fm(bar->font());
    const QRect room = TStatusBar::textRect(bar->panelRect(index));
    EXPECT_LE(fm.horizontalAdvance(text), room.width()) << index << " \"" << text.toStdString() << "\"";
    EXPECT_LE(fm.height(), room.height()) << index << " \"" << text.toStdString() << "\"";
}

}  // namespace

TEST_F(FrameTest, StatusPanelTextsShowInFull)
{
    TMainChildForm* child = openFile("brief.txt", "Text\r\n");
    TStatusBar* bar = child->StatusBar;
    ASSERT_FALSE(bar->simplePanel());
    EXPECT_EQ(panel(child, 1), QString("Gesichert"));
    expectPanelShows(bar, 1, "Gesichert");
    type(child, "X");
    ASSERT_EQ(panel(child, 1), QString("Modifiziert"));
    expectPanelShows(bar, 1, "Modifiziert");
    expectPanelShows(bar, 2, "Einfg.");
    QTest::keyClick(child->RichEdit, Qt::Key_Insert);
    ASSERT_EQ(panel(child, 2), QString("Überschr."));
    expectPanelShows(bar, 2, "Überschr.");
    expectPanelShows(bar, 3, "12345:123456");
    expectPanelShows(bar, 0, "1234567 Zeichen markiert.");
    // The panels still fill the bar: the first takes what the others leave.
    EXPECT_EQ(bar->panelRect(0).width() + bar->widthFrom(1), bar->width());
    EXPECT_GE(bar->panelWidth(1), 60);
    EXPECT_EQ(bar->panelWidth(3), 120);
}
