#include "testform.h"

#include "app/frametoolbars.h"
#include "settings/globals.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QTest>

const int kDesignPos[6] = {0, 111, 268, 379, 438, 503};
const int kDesignLength[6] = {111, 157, 111, 59, 65, 82};

TestForm::TestForm(bool show, QPoint at, QSize size)
{
    Globals::ResetSettings();
    Globals::Settings().FirstActivation = false;
    form_ = std::make_unique<TMainForm>();
    frame_ = form_->findChild<TDockFrame*>(QStringLiteral("DockFrame"));
    Q_ASSERT(frame_);
    central_ = form_->mdiArea();
    // The tab strip as it stands with documents open.
    form_->pagePanel()->setVisible(true);
    for (const char* name : {"Toolbar_Datei", "Toolbar_Bearbeiten", "Toolbar_Markierung", "Toolbar_Suchen",
                             "Toolbar_Optionen", "Toolbar_Fenster"})
        toolbars_.append(static_cast<TToolbar*>(form_->toolbars()->toolbar(QString::fromLatin1(name))));

    form_->move(at);
    form_->resize(size);
    if (show) {
        form_->show();
        if (!QTest::qWaitForWindowExposed(form_.get()))
            qWarning("the test form was not exposed");
        settle();
    }
}

TestForm::~TestForm()
{
    form_.reset();
    Globals::ResetSettings();
}

QWidget* TestForm::form() const { return form_.get(); }

TToolbar* TestForm::toolbar(const QString& caption) const
{
    for (TToolbar* bar : toolbars_) {
        if (bar->Caption() == caption)
            return bar;
    }
    return nullptr;
}

void TestForm::settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void dragWidget(QWidget* widget, QPoint grab, QPoint to, Qt::KeyboardModifiers modifiers)
{
    QTest::mousePress(widget, Qt::LeftButton, modifiers, grab);
    const QPoint from = widget->mapToGlobal(grab);
    for (int step = 1; step <= 4; ++step) {
        const QPoint at = from + (to - from) * step / 4;
        QTest::mouseMove(widget, widget->mapFromGlobal(at));
    }
    QTest::mouseRelease(widget, Qt::LeftButton, modifiers, widget->mapFromGlobal(to));
    TestForm::settle();
}
