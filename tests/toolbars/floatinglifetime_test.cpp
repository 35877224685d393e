#include "tests/toolbars/testform.h"
#include "toolbars/floatingwindow.h"

#include <QCoreApplication>
#include <QPointer>
#include <gtest/gtest.h>

// A floating toolbar lives inside its floating window, which belongs to the form. When
// the form goes, the floating window takes the toolbar down with its children; the
// toolbar must not reach back to the half-destroyed window (the sanitizer build caught
// a downcast of it). Destroying the toolbar alone takes its floating window along.
TEST(FloatingLifetime, FormWithFloatingToolbarGoesDownCleanly)
{
    QPointer<TToolbar> toolbar;
    QPointer<TFloatingToolWindow> window;
    {
        TestForm f;
        toolbar = f.toolbar("Markierung");
        toolbar->setFloatingPosition(QPoint(300, 250));
        toolbar->setDockedTo(nullptr);
        TestForm::settle();
        window = toolbar->floatingWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(toolbar->parentWidget(), window.data());
    }
    EXPECT_TRUE(toolbar.isNull());
    EXPECT_TRUE(window.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    TestForm f;
    toolbar = f.toolbar("Suchen");
    toolbar->setDockedTo(nullptr);
    TestForm::settle();
    window = toolbar->floatingWindow();
    ASSERT_NE(window, nullptr);
    delete toolbar.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
}
