#include "dialogs/aboutbox.h"

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

TEST(InfosForm, TextsAndLayout)
{
    TInfosForm box;
    EXPECT_EQ(box.windowTitle(), "Infos...");
    EXPECT_EQ(box.size(), QSize(285, 167));
    EXPECT_EQ(box.Label_Version->text(), "Version 1.01");
    EXPECT_EQ(box.Label_Build->text(), "01.07.1999");
    EXPECT_EQ(box.ButtonOk->text(), "&Okay");
    EXPECT_EQ(box.Label_Build->geometry().x() + box.Label_Build->width(), TInfosForm::BuildRightEdge);
    box.setBuildText("1.7.1999 (Sonderausgabe)");
    EXPECT_EQ(box.Label_Build->geometry().x() + box.Label_Build->width(), TInfosForm::BuildRightEdge);
    // The three lines below the panel fit into the box.
    for (QLabel* line : {box.Label_Autor, box.Label_Rechte, box.Label_Lizenz}) {
        EXPECT_FALSE(line->text().isEmpty());
        EXPECT_LE(line->geometry().right(), box.width());
    }
    EXPECT_FALSE(box.Image->pixmap().isNull());
}

TEST(InfosForm, TitleShowsBlackOverRedOverWhite)
{
    TInfosForm box;
    box.show();
    const QImage panel = box.Panel1->grab().toImage();
    int black = 0, red = 0, white = 0;
    for (int y = 3; y < 29; ++y) {
        for (int x = 47; x < 264; ++x) {
            const QColor c = panel.pixelColor(x, y);
            black += c == Qt::black;
            red += c == Qt::red;
            white += c == Qt::white;
        }
    }
    EXPECT_GT(black, 20);
    EXPECT_GT(red, 5);
    EXPECT_GT(white, 5);
}

