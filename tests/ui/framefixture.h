#pragma once

#include "app/mainform.h"
#include "document/finddialog.h"
#include "document/mainchildform.h"
#include "document/statusbar.h"
#include "editor/texteditor.h"
#include "platform/errors.h"
#include "platform/filefacts.h"
#include "recovery/journal.h"
#include "settings/globals.h"
#include "tests/support/fakes.h"
#include "tests/support/tempdir.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTimer>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <utility>

// True while a menu handles the click of clickMenuItem.
inline bool inMenuClick = false;

// Opens the menu as a popup and clicks the item with the mouse, as a user does.
inline void clickMenuItem(QMenu* menu, QAction* item)
{
    menu->popup(QPoint(40, 40));
    QApplication::processEvents();
    ASSERT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
    const QRect box = menu->actionGeometry(item);
    ASSERT_TRUE(box.isValid()) << item->objectName().toStdString();
    QTest::mouseMove(menu, box.center());
    inMenuClick = true;
    QTest::mouseClick(menu, Qt::LeftButton, {}, box.center());
    inMenuClick = false;
    QApplication::processEvents();
    QApplication::processEvents();
}

// The editor's selection as start and length.
inline std::pair<int, int> selection(TMainChildForm* child)
{
    return {child->RichEdit->SelectionStart(), child->RichEdit->SelectionLength()};
}

// A key pressed in the editor, which has the keyboard.
inline void pressInEditor(TMainChildForm* child, Qt::Key key, Qt::KeyboardModifiers mods)
{
    child->takeKeyboardFocus();
    QApplication::processEvents();
    QTest::keyClick(child->RichEdit, key, mods);
    QApplication::processEvents();
}

// Closes every modal dialog that comes up while it lives and keeps their titles, so a
// command that runs a dialog returns to the test.
class ModalCloser {
public:
    ModalCloser()
    {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                titles << modal->windowTitle();
                modal->close();
            }
        });
        timer_.start();
    }
    QStringList titles;

private:
    QTimer timer_;
};

// A frame with scripted message boxes, dialogs, cursor and clock, and a temporary folder.
class FrameTest : public ::testing::Test {
public:
    FakeServices fakes;
    TestDir dir;
    std::unique_ptr<TMainForm> frame;

    void SetUp() override
    {
        Globals::ResetSettings();
        Globals::Settings().IniFileName = dir.file("VARNX.ini");
        Globals::Settings().FirstActivation = false;
        // Each test's recovery journals in its own folder.
        recovery::JournalStore::instance().setFolder(dir.file(QStringLiteral("recovery")));
        frame = std::make_unique<TMainForm>();
        frame->show();
        QApplication::processEvents();
    }

    void TearDown() override
    {
        // Nothing may prompt while the frame goes away.
        for (TMainChildForm* child : frame->documents())
            child->RichEdit->setTextModified(false);
        frame.reset();
        recovery::JournalStore::instance().drain();
        recovery::JournalStore::instance().setFolder(QString());
        Globals::ResetSettings();
    }

    TMainChildForm* newDocument()
    {
        frame->MainMenu_Datei_Neu_OnClick();
        QApplication::processEvents();
        return frame->activeDocument();
    }

    TMainChildForm* openFile(const QString& name, const QByteArray& content)
    {
        const QString path = dir.write(name, content);
        frame->OpenDocument(path);
        QApplication::processEvents();
        return frame->activeDocument();
    }

    void type(TMainChildForm* child, const QString& text)
    {
        child->RichEdit->setFocus();
        QTest::keyClicks(child->RichEdit, text);
        QApplication::processEvents();
    }

    QString panel(TMainChildForm* child, int index) { return child->StatusBar->panelText(index); }

    int shownCount() const { return int(fakes.messages.shown.size()); }
    ShownMessage lastMessage() const { return fakes.messages.shown.last(); }
};
