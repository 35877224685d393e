#include "testform.h"

#include "toolbars/floatingwindow.h"
#include "toolbars/toolbarbutton.h"
#include "toolbars/toolbarsep.h"

#include <QApplication>
#include <QCloseEvent>
#include <QTest>
#include <QSignalSpy>
#include <gtest/gtest.h>

TEST(DockWidgets, DesignLayoutFillsOneRowOfDockTop)
{
    TestForm f;
    EXPECT_EQ(f.top()->objectName(), "DockTop");
    EXPECT_EQ(f.top()->height(), 28);
    EXPECT_EQ(f.top()->rowSizes(), QList<int>{22});
    for (int i = 0; i < 6; ++i) {
        TToolbar* bar = f.toolbars()[i];
        EXPECT_EQ(bar->DockedTo(), f.top());
        EXPECT_EQ(bar->DockRow(), 0);
        EXPECT_EQ(bar->DockPos(), kDesignPos[i]) << bar->Caption().toStdString();
        EXPECT_EQ(bar->geometry(), QRect(1 + kDesignPos[i], 1, kDesignLength[i], 26)) << bar->Caption().toStdString();
    }
    // The other docks hold nothing and take no room; the tab strip lies below DockTop.
    EXPECT_EQ(f.bottom()->height(), 0);
    EXPECT_EQ(f.left()->width(), 0);
    EXPECT_EQ(f.right()->width(), 0);
    EXPECT_EQ(f.central()->geometry().left(), 0);
    EXPECT_EQ(f.central()->geometry().top(), 28 + 22);  // DockTop, then the 22-pixel tab strip

    // Buttons are 23 x 22 with a 16 x 16 image and the hint as tooltip.
    auto* neu = f.form()->findChild<TToolbarButton*>("Button_Neu");
    ASSERT_NE(neu, nullptr);
    EXPECT_EQ(neu->size(), QSize(23, 22));
    EXPECT_EQ(neu->iconSize(), QSize(16, 16));
    EXPECT_EQ(neu->toolTip(), "Neu");
    EXPECT_EQ(neu->hint(), "Neu");
    QSignalSpy clicked(neu, &QAbstractButton::clicked);
    neu->click();
    EXPECT_EQ(clicked.count(), 1);
    neu->setEnabled(false);
    neu->click();
    EXPECT_EQ(clicked.count(), 1);
}

TEST(DockWidgets, HidingTheOnlyToolbarOfDockLeftShrinksIt)
{
    TestForm f;
    TToolbar* suchen = f.toolbar("Suchen");
    suchen->setDockedTo(f.left());
    TestForm::settle();
    EXPECT_EQ(f.left()->width(), 23 + 4 + 2);
    EXPECT_EQ(f.central()->geometry().left(), 29);

    suchen->setVisible(false);
    TestForm::settle();
    EXPECT_FALSE(suchen->Visible());
    EXPECT_TRUE(f.left()->dockedList().isEmpty());
    EXPECT_EQ(f.left()->width(), 0);
    EXPECT_EQ(f.central()->geometry().left(), 0);

    // With FixAlign an empty dock keeps one pixel.
    f.left()->setFixAlign(true);
    TestForm::settle();
    EXPECT_EQ(f.left()->width(), 1);

    // Shown again it takes its room back, in the same place.
    suchen->setVisible(true);
    TestForm::settle();
    EXPECT_EQ(f.left()->width(), 29);
    EXPECT_EQ(suchen->DockedTo(), f.left());
    EXPECT_TRUE(suchen->isVisible());
}

TEST(DockWidgets, ToolbarOnASideDockStacksItsButtons)
{
    TestForm f;
    TToolbar* datei = f.toolbar("Datei");
    datei->setDockedTo(f.right());
    TestForm::settle();
    EXPECT_EQ(datei->place(), TToolWindowPlace::Vertical);
    // Grip on top, then four buttons and a separator from top to bottom.
    EXPECT_EQ(datei->size(), QSize(27, 11 + 4 * 22 + 6 + 2));
    QList<QWidget*> controls = datei->controls();
    ASSERT_EQ(controls.size(), 5);
    int y = 11;
    for (QWidget* control : controls) {
        EXPECT_EQ(control->x(), 2);
        EXPECT_EQ(control->y(), y);
        if (qobject_cast<TToolbarSep*>(control)) {
            EXPECT_EQ(control->size(), QSize(23, 6));
        }
        y += control->height();
    }
    EXPECT_EQ(f.right()->width(), 29);
    // The rest of DockTop closes nothing up: the other toolbars keep their positions.
    EXPECT_EQ(f.toolbar("Bearbeiten")->DockPos(), 111);

    // Back on a horizontal dock it lines its buttons up from left to right again.
    datei->setDockedTo(f.bottom());
    TestForm::settle();
    EXPECT_EQ(datei->place(), TToolWindowPlace::Horizontal);
    EXPECT_EQ(datei->size(), QSize(111, 26));
    EXPECT_EQ(f.right()->width(), 0);
    EXPECT_EQ(f.bottom()->height(), 28);
}

TEST(DockWidgets, DockedThicknessFollowsTheLargestNonSeparator)
{
    TestForm f;
    TToolbar* suchen = f.toolbar("Suchen");
    // A taller control makes the toolbar, its row and the dock thicker.
    auto* tall = new QWidget;
    tall->setFixedSize(30, 40);
    suchen->addControl(tall);
    TestForm::settle();
    EXPECT_EQ(suchen->dockedThickness(), 40);
    EXPECT_EQ(f.top()->rowSizes(), QList<int>{40});
    EXPECT_EQ(f.top()->height(), 40 + 4 + 2);
    // A tall separator does not count; hiding the tall control brings the dock back.
    auto* sep = new TToolbarSep;
    sep->setFixedSize(6, 60);
    suchen->addControl(sep);
    tall->hide();
    TestForm::settle();
    EXPECT_EQ(suchen->dockedThickness(), 22);
    EXPECT_EQ(f.top()->height(), 28);
    // The toolbar grew by the tall control and its new separator, and the next one made
    // room; when it shrinks again the next one stays where it was pushed.
    EXPECT_EQ(suchen->width(), 59 + 6);
    EXPECT_EQ(f.toolbar("Optionen")->DockPos(), 379 + 59 + 30 + 6);
}

TEST(DockWidgets, UpdatesDeferArrangingAndMembershipIsReported)
{
    TestForm f;
    QSignalSpy spy(f.bottom(), &TDock::OnInsertRemoveBar);
    f.bottom()->beginUpdate();
    f.bottom()->beginUpdate();
    f.toolbar("Suchen")->setDockedTo(f.bottom());
    f.toolbar("Fenster")->setDockedTo(f.bottom());
    TestForm::settle();
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].value<TDock*>(), f.bottom());
    EXPECT_TRUE(spy[0][1].toBool());
    EXPECT_EQ(spy[0][2].value<TCustomToolWindow*>(), f.toolbar("Suchen"));
    EXPECT_TRUE(f.bottom()->isArrangePending());
    EXPECT_EQ(f.bottom()->height(), 0);
    f.bottom()->endUpdate();
    EXPECT_TRUE(f.bottom()->isArrangePending());
    f.bottom()->endUpdate();
    TestForm::settle();
    EXPECT_FALSE(f.bottom()->isArrangePending());
    EXPECT_EQ(f.bottom()->height(), 28);
    // Suchen (379) and Fenster (503) keep their places on the bottom dock.
    EXPECT_EQ(f.toolbar("Suchen")->DockPos(), 379);
    EXPECT_EQ(f.toolbar("Fenster")->DockPos(), 503);

    // Hiding is a removal; showing an insertion; hiding again while hidden is no change.
    f.toolbar("Suchen")->setVisible(false);
    f.toolbar("Suchen")->setVisible(false);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_FALSE(spy[2][1].toBool());
    f.toolbar("Suchen")->setVisible(true);
    ASSERT_EQ(spy.count(), 4);
    EXPECT_TRUE(spy[3][1].toBool());
    // Appended at the end, then sorted by the arrangement: Suchen lies before Fenster.
    EXPECT_EQ(f.bottom()->dockedList(), (QList<TCustomToolWindow*>{f.toolbar("Suchen"), f.toolbar("Fenster")}));
}

TEST(DockWidgets, ShrinkingTheFormSlidesARowBack)
{
    TestForm f;
    f.form()->resize(400, 460);
    TestForm::settle();
    // 585 pixels of toolbars in 398: the row starts at 0 and runs past the far edge.
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(f.toolbars()[i]->DockPos(), kDesignPos[i]);
    f.toolbar("Fenster")->setVisible(false);
    f.toolbar("Optionen")->setVisible(false);
    f.toolbar("Suchen")->setVisible(false);
    TestForm::settle();
    EXPECT_EQ(f.toolbar("Markierung")->DockPos(), 268);
    EXPECT_EQ(f.toolbar("Markierung")->geometry().right(), 1 + 268 + 111 - 1);
}

TEST(DockWidgets, FloatingToolbarWindow)
{
    TestForm f;
    TToolbar* markierung = f.toolbar("Markierung");
    markierung->setFloatingPosition(QPoint(300, 250));
    markierung->setDockedTo(nullptr);
    TestForm::settle();
    TFloatingToolWindow* window = markierung->floatingWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(markierung->isFloating());
    EXPECT_EQ(markierung->place(), TToolWindowPlace::Floating);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), "Markierung");
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);  // our own title, no close button
    EXPECT_EQ(window->pos(), QPoint(300, 250));
    EXPECT_FALSE(f.top()->dockedList().contains(markierung));
    // One line of four buttons and a separator.
    EXPECT_EQ(markierung->size(), QSize(4 * 23 + 6 + 2, 22 + 2));
    EXPECT_EQ(window->size(), window->sizeAround(markierung->size()));

    // A wrap width makes the buttons wrap into lines; a separator that would start a
    // line is left out.
    markierung->setFloatWrapWidth(2 * 23);
    EXPECT_EQ(markierung->size(), QSize(2 * 23 + 2, 2 * 22 + 2));
    EXPECT_EQ(markierung->controls()[2]->size(), QSize(0, 0));
    EXPECT_EQ(window->size(), window->sizeAround(markierung->size()));

    // The user cannot close the window; hiding the toolbar hides it, and it comes back in
    // place.
    QCloseEvent userClose;
    QSpontaneKeyEvent::setSpontaneous(&userClose);
    qApp->notify(window, &userClose);
    EXPECT_FALSE(userClose.isAccepted());
    EXPECT_TRUE(window->isVisible());
    markierung->setVisible(false);
    EXPECT_FALSE(window->isVisible());
    markierung->setVisible(true);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->pos(), QPoint(300, 250));

    // The floating window goes and comes with its form.
    f.form()->hide();
    EXPECT_FALSE(window->isVisible());
    f.form()->show();
    // It comes back once the form's own window is up, above it.
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());

    // Closing all windows, as quitting the application does, is not refused.
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(markierung->Visible());
}

TEST(DockWidgets, DestroyingToolbarsAndDocksLeavesNothingBehind)
{
    TestForm f;
    TToolbar* suchen = f.toolbar("Suchen");
    delete suchen;
    TestForm::settle();
    EXPECT_EQ(f.top()->dockedList().size(), 5);
    EXPECT_EQ(TCustomToolWindow::ownedBy(f.form()).size(), 5);
    // A dock going down takes its toolbars with it without calling back into it.
    f.toolbar("Datei")->setDockedTo(f.left());
    delete f.left();
    EXPECT_EQ(TCustomToolWindow::ownedBy(f.form()).size(), 4);
    EXPECT_EQ(TDock::ownedBy(f.form()).size(), 3);
}
