// Every caption and label of the dialogs shows in full with the system's fonts: each text
// is measured with QFontMetrics against the control that shows it, and each control must
// lie inside the window that holds it.
#include "dialogs/aboutbox.h"
#include "dialogs/settingsdialog.h"
#include "dialogs/statisticsdialog.h"
#include "dialogs/toolsgrid.h"
#include "settings/globals.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

QString withoutMnemonic(QString text)
{
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

std::string describe(const QWidget* w, const QString& text)
{
    return (w->objectName().isEmpty() ? std::string(w->metaObject()->className()) : w->objectName().toStdString()) +
           " \"" + text.toStdString() + "\"";
}

// The control lies inside its parent, so nothing of it is cut off at the window's edge.
void expectInsideParent(const QWidget* w, const QString& text)
{
    const QWidget* parent = w->parentWidget();
    ASSERT_NE(parent, nullptr);
    EXPECT_TRUE(parent->rect().contains(w->geometry())) << describe(w, text) << " reaches out of its parent";
}

void expectLabelFits(const QLabel* label)
{
    const QString text = label->text();
    if (text.isEmpty())
        return;
    const QFontMetrics fm(label->font());
    const QRect need = fm.boundingRect(QRect(0, 0, 10000, 10000), int(label->alignment()), text);
    const QRect room = label->contentsRect();
    EXPECT_LE(need.width(), room.width()) << describe(label, text);
    // Upwards and downwards what the letters really cover counts: a large title's line
    // spacing may be taller than its label while every letter shows.
    EXPECT_LE(fm.tightBoundingRect(text).height(), room.height()) << describe(label, text);
    expectInsideParent(label, text);
}

void expectCheckBoxFits(const QCheckBox* box)
{
    const QString text = withoutMnemonic(box->text());
    const QFontMetrics fm(box->font());
    const QStyle* style = box->style();
    const int need = style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                     style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box) + fm.horizontalAdvance(text);
    EXPECT_LE(need, box->width()) << describe(box, text);
    EXPECT_LE(fm.height(), box->height()) << describe(box, text);
    expectInsideParent(box, text);
}

void expectButtonFits(const QPushButton* button)
{
    const QString text = withoutMnemonic(button->text());
    const QFontMetrics fm(button->font());
    // The text stays clear of the button's frame by two pixels on either side.
    const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    EXPECT_LE(fm.horizontalAdvance(text) + 2 * frame + 4, button->width()) << describe(button, text);
    EXPECT_LE(fm.height() + 2 * frame, button->height()) << describe(button, text);
    expectInsideParent(button, text);
}

// Every label, check box and push button the window shows now.
void expectTextsFit(QWidget& window)
{
    int measured = 0;
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->isVisible()) {
            expectLabelFits(label);
            ++measured;
        }
    }
    for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
        if (box->isVisible()) {
            expectCheckBoxFits(box);
            ++measured;
        }
    }
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        if (button->isVisible() && !button->text().isEmpty()) {
            expectButtonFits(button);
            ++measured;
        }
    }
    EXPECT_GT(measured, 2);
}

struct CaptionDocument : IStatisticsDocument {
    QString name;
    QString caption() const override { return name; }
    qint64 lineCount() const override { return 1; }
    QByteArray lineText(qint64) const override { return QByteArray(1234567, 'x'); }
};

void showAndSettle(QWidget& window)
{
    window.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

}  // namespace

TEST(TextsFit, SettingsDialog)
{
    FakeServices services;
    Globals::ResetSettings();
    struct Frame : ISettingsDialogFrame {
        QList<ToolEntry> toolEntries() const override { return {{"Editor", "/usr/bin/ed"}}; }
        void clearTools() override {}
        void AddTool(const QString&, const QString&) override {}
        QString openDialogFilter() const override { return "Textdateien [*.txt]|*.txt"; }
        void setOpenDialogFilter(const QString&) override {}
        QString saveDialogFilter() const override { return "Textdateien [*.txt]|*.txt"; }
        void setSaveDialogFilter(const QString&) override {}
        void applyViewSettings(bool, bool) override {}
    } frame;
    TEinstellungenForm form(frame);
    showAndSettle(form);
    for (int page = 0; page < form.PageControl->count(); ++page) {
        form.PageControl->setCurrentIndex(page);
        QCoreApplication::processEvents();
        SCOPED_TRACE(form.PageControl->tabText(page).toStdString());
        expectTextsFit(form);
    }
    form.PageControl->setCurrentIndex(0);

    // The two filter labels stand clear above their combo boxes.
    EXPECT_LT(form.Label1->geometry().bottom(), form.ComboBox_FilterOeffnen->y());
    EXPECT_LT(form.Label2->geometry().bottom(), form.ComboBox_FilterSpeichern->y());
    EXPECT_LT(form.ComboBox_FilterOeffnen->geometry().bottom(), form.Label2->y());
    // Sized with the dialog's own font: the text begins at the left edge of 8 pixels, in
    // line with the controls, and takes no more room than it needs.
    for (const QLabel* label : {form.Label1, form.Label2}) {
        const QFontMetrics labelFont(label->font());
        EXPECT_EQ(label->font().pixelSize(), form.font().pixelSize());
        EXPECT_NEAR(label->geometry().right() + 1 - labelFont.horizontalAdvance(label->text()), 8, 1)
            << label->text().toStdString();
    }

    // The page tabs and the grid's header and rows.
    const QFontMetrics fm(form.font());
    const int tabSpace = form.style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, form.PageControl->tabBar());
    for (int i = 0; i < form.PageControl->count(); ++i)
        EXPECT_LE(fm.horizontalAdvance(form.PageControl->tabText(i)) + tabSpace,
                  form.PageControl->tabBar()->tabRect(i).width())
            << form.PageControl->tabText(i).toStdString();
    const QHeaderView* header = form.ToolsGrid->horizontalHeader();
    const QFontMetrics headerFont(header->font());
    for (int col = 0; col < 2; ++col) {
        const QString text = form.ToolsGrid->model()->headerData(col, Qt::Horizontal).toString();
        EXPECT_LE(headerFont.horizontalAdvance(text) + 8, header->sectionSize(col)) << text.toStdString();
    }
    EXPECT_LE(headerFont.height(), header->height());
    EXPECT_LE(QFontMetrics(form.ToolsGrid->font()).height(), form.ToolsGrid->rowHeight(0));
}

TEST(TextsFit, StatisticsOfAnUnsavedDocument)
{
    FakeServices services;
    CaptionDocument document;
    document.name = QStringLiteral("<Unbenannt>");
    TStatistikForm form(document);
    showAndSettle(form);
    ASSERT_EQ(form.Label_Dateiname->text(), TStatistikForm::unsavedText());
    ASSERT_EQ(form.Label_Zeichenanzahl->text().size(), 9);  // 1,234,567 in some grouping
    expectTextsFit(form);
    // Each caption's text ends clear of the values: they do not touch.
    for (const QLabel* label : form.findChildren<QLabel*>()) {
        if (label->objectName().isEmpty()) {
            const int textEnd = label->x() + QFontMetrics(label->font()).horizontalAdvance(label->text());
            EXPECT_LE(textEnd + 4, form.Label_Dateiname->x()) << label->text().toStdString();
        }
    }
    EXPECT_GE(form.Label_Dateiname->x(), 120);
}

TEST(TextsFit, StatisticsOfALongPath)
{
    FakeServices services;
    TestDir dir;
    CaptionDocument document;
    // A saved file whose path is far wider than the dialog: it is shortened in the middle
    // and shown whole in the label's hint.
    document.name = dir.write(QString(200, QLatin1Char('v')) + QStringLiteral(".txt"), "x");
    TStatistikForm form(document);
    showAndSettle(form);
    ASSERT_NE(form.Label_DateiGroesse->text(), QStringLiteral("?"));
    expectInsideParent(form.Label_Dateiname, form.Label_Dateiname->text());
    EXPECT_TRUE(form.Label_Dateiname->text().endsWith(QStringLiteral("vv.txt")));
    EXPECT_TRUE(form.Label_Dateiname->text().startsWith(dir.path().left(4)));
    EXPECT_EQ(form.Label_Dateiname->toolTip(), document.name);
}

TEST(TextsFit, AboutBox)
{
    TInfosForm form;
    showAndSettle(form);
    expectTextsFit(form);
    EXPECT_LT(form.Label_Version->geometry().right(), form.Label_Build->x());
}
