// Every menu item of the document window and of the frame, chosen as a user chooses it:
// once by a mouse click in its opened menu and once by its key. Each row checks the effect
// only its own command has, so a swapped handler or a swapped key fails its row.
#include "tests/ui/framefixture.h"

#include "app/frametoolbars.h"
#include "platform/printdialogs.h"
#include "platform/printer.h"
#include "tests/support/guards.h"

#include <QClipboard>
#include <QPrinter>
#include <algorithm>
#include <functional>

namespace {

// Print and printer set-up dialogs that count their runs and are always cancelled.
class CountingPrintDialogs : public platform::PrintDialogService, public platform::PrinterService {
public:
    int prints = 0;
    int setups = 0;
    bool printerAvailable() override { return true; }
    bool runPrintDialog(QPrinter&, int& copies) override
    {
        ++prints;
        copies = 0;
        return false;
    }
    bool runPageSetupDialog(QPrinter&) override
    {
        ++setups;
        return false;
    }
    QPrinter* currentPrinter() override { return &printer_; }

private:
    QPrinter printer_;
};

enum class Owner { Document, Frame };
enum class Way { Menu, Key };

class MenuCommand;

struct Command {
    const char* menu;  // object name of the menu that holds the item
    const char* item;  // object name of the item
    Owner owner;
    QKeySequence key;  // the key that runs it, empty where none does (or another item owns it)
    std::function<void(MenuCommand&)> prepare;
    std::function<void(MenuCommand&)> check;
};

// The document every document row starts from, as a file on disk.
const QByteArray kFile("Eins Zwei\r\ndrei");

class MenuCommand : public FrameTest, public ::testing::WithParamInterface<Command> {
public:
    CountingPrintDialogs print;
    ModalCloser modals;
    LocaleGuard locale{QLocale(QLocale::German, QLocale::Germany)};
    TMainChildForm* doc = nullptr;
    QList<TMainChildForm*> made;

    void SetUp() override
    {
        FrameTest::SetUp();
        frame->resize(800, 600);
        platform::PrintDialogService::install(&print);
        platform::PrinterService::install(&print);
        QApplication::clipboard()->setText(QStringLiteral("Ablage"));
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        platform::PrintDialogService::install(nullptr);
        platform::PrinterService::install(nullptr);
    }

    TMainChildForm* openDoc() { return openFile("a.txt", kFile); }
    void select(int start, int length)
    {
        doc->RichEdit->setSelectionStart(start);
        doc->RichEdit->setSelectionLength(length);
        QApplication::processEvents();
    }
    QByteArray line(int i) { return doc->RichEdit->Lines().LineText(i); }
    QString clipboard() { return QApplication::clipboard()->text(); }
    void settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    QList<QRect> geometries()
    {
        QList<QRect> result;
        for (QMdiSubWindow* sub : frame->mdiArea()->subWindowList(QMdiArea::CreationOrder))
            result << sub->geometry();
        std::sort(result.begin(), result.end(), [](const QRect& a, const QRect& b) {
            return std::make_pair(a.top(), a.left()) < std::make_pair(b.top(), b.left());
        });
        return result;
    }

    QMenu* doc_popup() const { return doc ? doc->PopupMenu : nullptr; }
    QStringList hiddenToolbars()
    {
        QStringList hidden;
        for (const char* name : {"Toolbar_Datei", "Toolbar_Bearbeiten", "Toolbar_Markierung", "Toolbar_Suchen",
                                 "Toolbar_Optionen", "Toolbar_Fenster"})
            if (!frame->toolbars()->isToolbarVisible(QString::fromLatin1(name)))
                hidden << QString::fromLatin1(name);
        return hidden;
    }

    void run(Way way)
    {
        const Command& c = GetParam();
        QObject* owner = c.owner == Owner::Document ? static_cast<QObject*>(doc) : frame.get();
        ASSERT_NE(owner, nullptr) << "the row's prepare must open a document";
        auto* menu = owner->findChild<QMenu*>(QString::fromLatin1(c.menu), Qt::FindDirectChildrenOnly);
        auto* item = owner->findChild<QAction*>(QString::fromLatin1(c.item));
        ASSERT_NE(menu, nullptr) << c.menu;
        ASSERT_NE(item, nullptr) << c.item;
        ASSERT_TRUE(menu->actions().contains(item)) << c.item << " is not in " << c.menu;
        if (way == Way::Menu) {
            clickMenuItem(menu, item);
        } else {
            // From the editor the context menu's items come first, in the state its last
            // opening left them: open it once, as a user who looks before pressing the key.
            if (menu == doc_popup()) {
                menu->popup(QPoint(40, 40));
                QApplication::processEvents();
                menu->hide();
            }
            QWidget* target = frame->activeDocument() ? static_cast<QWidget*>(frame->activeDocument()->RichEdit) : frame.get();
            target->setFocus();
            QTest::keySequence(target, c.key);
        }
        settle();
    }
};

using M = MenuCommand;

const Command kCommands[] = {
    // The document window's "&Datei".
    {"MainMenu_Datei", "MainMenu_Datei_Neu", Owner::Document, Qt::Key_F2, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) { EXPECT_EQ(t.frame->documentCount(), 2); }},
    {"MainMenu_Datei", "MainMenu_Datei_Oeffnen", Owner::Document, Qt::Key_F3, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(t.fakes.dialogs.openRequests.size(), 1);
         EXPECT_EQ(t.fakes.dialogs.saveRequests.size(), 0);
     }},
    // F3 belongs to "&Öffnen", which comes first.
    {"MainMenu_Datei", "MainMenu_Datei_Speichern", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.type(t.doc, "X");
     },
     [](M& t) {
         EXPECT_EQ(TestDir::read(t.dir.file("a.txt")), QByteArray("XEins Zwei\r\ndrei"));
         EXPECT_FALSE(t.doc->RichEdit->TextModified());
     }},
    {"MainMenu_Datei", "MainMenu_Datei_SpeichernUnter", Owner::Document, Qt::Key_F4, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(t.fakes.dialogs.saveRequests.size(), 1);
         EXPECT_EQ(t.fakes.dialogs.openRequests.size(), 0);
     }},
    {"MainMenu_Datei", "MainMenu_Datei_Schliessen", Owner::Document, Qt::Key_F10,
     [](M& t) {
         t.made << t.newDocument();
         t.doc = t.openDoc();
     },
     [](M& t) { EXPECT_EQ(t.frame->documents(), t.made); }},
    {"MainMenu_Datei", "MainMenu_Datei_AlleSchliessen", Owner::Document, {},
     [](M& t) {
         t.newDocument();
         t.doc = t.openDoc();
     },
     [](M& t) {
         EXPECT_EQ(t.frame->documentCount(), 0);
         EXPECT_TRUE(t.frame->isVisible());
     }},
    {"MainMenu_Datei", "MainMenu_Datei_Statistik", Owner::Document, Qt::Key_F11, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) { EXPECT_EQ(t.modals.titles, QStringList{"Statistik"}); }},
    {"MainMenu_Datei", "MainMenu_Datei_Drucken", Owner::Document, Qt::Key_F12, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(t.print.prints, 1);
         EXPECT_EQ(t.print.setups, 0);
     }},
    {"MainMenu_Datei", "MainMenu_Datei_DruckerEinrichten", Owner::Document, {}, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(t.print.setups, 1);
         EXPECT_EQ(t.print.prints, 0);
     }},
    {"MainMenu_Datei", "MainMenu_Datei_Beenden", Owner::Document, Qt::ALT | Qt::Key_X, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) { EXPECT_FALSE(t.frame->isVisible()); }},
    // "&Bearbeiten". From the editor, Ctrl+R and F5 to F8 belong to the context menu, which
    // comes first; its rows below try them.
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_Rueckgaengig", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.type(t.doc, "X");
     },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("Eins Zwei")); }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_Wiederherstellen", Owner::Document, Qt::CTRL | Qt::Key_W,
     [](M& t) {
         t.doc = t.openDoc();
         t.type(t.doc, "X");
         QTest::keyClick(t.doc->RichEdit, Qt::Key_Z, Qt::ControlModifier);
         QApplication::processEvents();
     },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("XEins Zwei")); }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_Ausschneiden", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 4);
     },
     [](M& t) {
         EXPECT_EQ(t.clipboard(), QString("Eins"));
         EXPECT_EQ(t.line(0), QByteArray(" Zwei"));
     }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_Kopieren", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 4);
     },
     [](M& t) {
         EXPECT_EQ(t.clipboard(), QString("Eins"));
         EXPECT_EQ(t.line(0), QByteArray("Eins Zwei"));
     }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_Einfuegen", Owner::Document, {}, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("AblageEins Zwei")); }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_Loeschen", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 4);
     },
     [](M& t) {
         EXPECT_EQ(t.line(0), QByteArray(" Zwei"));
         EXPECT_EQ(t.clipboard(), QString("Ablage"));
     }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_DatumUhrzeitEinfuegen", Owner::Document, Qt::CTRL | Qt::Key_D,
     [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(t.line(0), QByteArray("08.12.2026 14:05:33"));
         EXPECT_EQ(t.line(1), QByteArray("Eins Zwei"));
     }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_DateinameEinfuegen", Owner::Document, Qt::CTRL | Qt::Key_N,
     [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(QString::fromLatin1(t.line(0)), t.dir.file("a.txt"));
         EXPECT_EQ(t.line(1), QByteArray("Eins Zwei"));
     }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_NurLesenZulassen", Owner::Document, Qt::CTRL | Qt::Key_L,
     [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_TRUE(t.doc->RichEdit->ReadOnly());
         EXPECT_FALSE(t.doc->RichEdit->WordWrap());
     }},
    {"MainMenu_Bearbeiten", "MainMenu_Bearbeiten_ZeilenUmbrechen", Owner::Document, Qt::CTRL | Qt::Key_U,
     [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_TRUE(t.doc->RichEdit->WordWrap());
         EXPECT_FALSE(t.doc->RichEdit->ReadOnly());
     }},
    // "&Markierung": no keys.
    {"MainMenu_Markierung", "MainMenu_Markierung_InGrobuchstabenUmwandeln", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 9);
     },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("EINS ZWEI")); }},
    {"MainMenu_Markierung", "MainMenu_Markierung_InKleinbuchstabenUmwandeln", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 9);
     },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("eins zwei")); }},
    {"MainMenu_Markierung", "MainMenu_Markierung_NichtsMarkieren", Owner::Document, {},
     [](M& t) {
         t.doc = t.openDoc();
         t.select(5, 4);
     },
     [](M& t) { EXPECT_EQ(t.doc->RichEdit->SelectionLength(), 0); }},
    {"MainMenu_Markierung", "MainMenu_Markierung_AllesMarkieren", Owner::Document, {}, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_EQ(t.doc->RichEdit->SelectionStart(), 0);
         EXPECT_EQ(t.doc->RichEdit->SelectionLength(), 14);
     }},
    // "&Suchen".
    {"MainMenu_Suchen", "MainMenu_Suchen_Suchen", Owner::Document, Qt::CTRL | Qt::Key_F2, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) {
         EXPECT_TRUE(t.doc->FindDialog()->isVisible());
         t.doc->FindDialog()->hide();
     }},
    {"MainMenu_Suchen", "MainMenu_Suchen_Weitersuchen", Owner::Document, Qt::CTRL | Qt::Key_F3,
     [](M& t) {
         t.doc = t.openDoc();
         t.doc->FindDialog()->setFindText("drei");
     },
     [](M& t) {
         EXPECT_EQ(t.doc->RichEdit->SelectionStart(), 10);
         EXPECT_EQ(t.doc->RichEdit->SelectionLength(), 4);
         EXPECT_FALSE(t.doc->FindDialog()->isVisible());
     }},
    // The context menu.
    {"PopupMenu", "PopupMenu_Rueckgaengig", Owner::Document, Qt::CTRL | Qt::Key_R,
     [](M& t) {
         t.doc = t.openDoc();
         t.type(t.doc, "X");
     },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("Eins Zwei")); }},
    {"PopupMenu", "PopupMenu_Ausschneiden", Owner::Document, Qt::Key_F5,
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 4);
     },
     [](M& t) {
         EXPECT_EQ(t.clipboard(), QString("Eins"));
         EXPECT_EQ(t.line(0), QByteArray(" Zwei"));
     }},
    {"PopupMenu", "PopupMenu_Kopieren", Owner::Document, Qt::Key_F6,
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 4);
     },
     [](M& t) {
         EXPECT_EQ(t.clipboard(), QString("Eins"));
         EXPECT_EQ(t.line(0), QByteArray("Eins Zwei"));
     }},
    {"PopupMenu", "PopupMenu_Einfuegen", Owner::Document, Qt::Key_F7, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) { EXPECT_EQ(t.line(0), QByteArray("AblageEins Zwei")); }},
    {"PopupMenu", "PopupMenu_Loeschen", Owner::Document, Qt::Key_F8,
     [](M& t) {
         t.doc = t.openDoc();
         t.select(0, 4);
     },
     [](M& t) {
         EXPECT_EQ(t.line(0), QByteArray(" Zwei"));
         EXPECT_EQ(t.clipboard(), QString("Ablage"));
     }},
    {"PopupMenu", "PopupMenu_AllesMarkieren", Owner::Document, Qt::CTRL | Qt::Key_A, [](M& t) { t.doc = t.openDoc(); },
     [](M& t) { EXPECT_EQ(t.doc->RichEdit->SelectionLength(), 14); }},

    // The frame's own menus, with no document open unless the row opens some.
    {"MainMenu_Datei", "MainMenu_Datei_Neu", Owner::Frame, Qt::Key_F2, [](M&) {},
     [](M& t) { EXPECT_EQ(t.frame->documentCount(), 1); }},
    {"MainMenu_Datei", "MainMenu_Datei_Oeffnen", Owner::Frame, Qt::Key_F3, [](M&) {},
     [](M& t) { EXPECT_EQ(t.fakes.dialogs.openRequests.size(), 1); }},
    {"MainMenu_Datei", "MainMenu_Datei_Beenden", Owner::Frame, Qt::ALT | Qt::Key_X, [](M&) {},
     [](M& t) { EXPECT_FALSE(t.frame->isVisible()); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_ToolbarDateiEinblenden", Owner::Frame, Qt::SHIFT | Qt::Key_F1, [](M&) {},
     [](M& t) { EXPECT_EQ(t.hiddenToolbars(), QStringList{"Toolbar_Datei"}); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_ToolbarBearbeitenEinblenden", Owner::Frame, Qt::SHIFT | Qt::Key_F2, [](M&) {},
     [](M& t) { EXPECT_EQ(t.hiddenToolbars(), QStringList{"Toolbar_Bearbeiten"}); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_ToolbarMarkierungEinblenden", Owner::Frame, Qt::SHIFT | Qt::Key_F3, [](M&) {},
     [](M& t) { EXPECT_EQ(t.hiddenToolbars(), QStringList{"Toolbar_Markierung"}); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_ToolbarSuchenEinblenden", Owner::Frame, Qt::SHIFT | Qt::Key_F4, [](M&) {},
     [](M& t) { EXPECT_EQ(t.hiddenToolbars(), QStringList{"Toolbar_Suchen"}); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_ToolbarOptionenEinblenden", Owner::Frame, Qt::SHIFT | Qt::Key_F6, [](M&) {},
     [](M& t) { EXPECT_EQ(t.hiddenToolbars(), QStringList{"Toolbar_Optionen"}); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_ToolbarFensterEinblenden", Owner::Frame, Qt::SHIFT | Qt::Key_F5, [](M&) {},
     [](M& t) { EXPECT_EQ(t.hiddenToolbars(), QStringList{"Toolbar_Fenster"}); }},
    {"MainMenu_Optionen", "MainMenu_Optionen_EinstellungenKonfigurieren", Owner::Frame, Qt::Key_F9, [](M&) {},
     [](M& t) { EXPECT_EQ(t.modals.titles, QStringList{"Einstellungen konfigurieren"}); }},
    {"MainMenu_Fenster", "MainMenu_Fenster_Vorheriges", Owner::Frame, Qt::SHIFT | Qt::Key_F7,
     [](M& t) { t.made = {t.newDocument(), t.newDocument(), t.newDocument()}; },
     [](M& t) { EXPECT_EQ(t.frame->activeDocument(), t.made[0]); }},
    {"MainMenu_Fenster", "MainMenu_Fenster_Naechstes", Owner::Frame, Qt::SHIFT | Qt::Key_F8,
     [](M& t) { t.made = {t.newDocument(), t.newDocument(), t.newDocument()}; },
     [](M& t) { EXPECT_EQ(t.frame->activeDocument(), t.made[1]); }},
    // Two windows one above the other, then side by side, on an 800 x 600 frame.
    {"MainMenu_Fenster", "MainMenu_Fenster_Laengsteilen", Owner::Frame, {},
     [](M& t) { t.made = {t.newDocument(), t.newDocument()}; },
     [](M& t) {
         const QList<QRect> g = t.geometries();
         ASSERT_EQ(g.size(), 2);
         EXPECT_EQ(g[0].left(), g[1].left());
         EXPECT_EQ(g[0].width(), g[1].width());
         EXPECT_EQ(g[0].bottom() + 1, g[1].top());
     }},
    {"MainMenu_Fenster", "MainMenu_Fenster_Querteilen", Owner::Frame, {},
     [](M& t) { t.made = {t.newDocument(), t.newDocument()}; },
     [](M& t) {
         const QList<QRect> g = t.geometries();
         ASSERT_EQ(g.size(), 2);
         EXPECT_EQ(g[0].top(), g[1].top());
         EXPECT_EQ(g[0].height(), g[1].height());
         EXPECT_EQ(g[0].right() + 1, g[1].left());
     }},
    {"MainMenu_Fenster", "MainMenu_Fenster_Ueberlappen", Owner::Frame, {},
     [](M& t) {
         t.made = {t.newDocument(), t.newDocument()};
         t.frame->MainMenu_Fenster_Querteilen_OnClick();
     },
     [](M& t) {
         const QList<QRect> g = t.geometries();
         ASSERT_EQ(g.size(), 2);
         EXPECT_EQ(g[0].size(), g[1].size());
         EXPECT_GT(g[1].left(), g[0].left());
         EXPECT_GT(g[1].top(), g[0].top());
         EXPECT_LT(g[1].left() - g[0].left(), 100);
     }},
    {"MainMenu_Fenster", "MainMenu_Fenster_SymboleAnordnen", Owner::Frame, {},
     [](M& t) {
         t.made = {t.newDocument(), t.newDocument()};
         for (TMainChildForm* child : t.made) {
             child->subWindow()->showMinimized();
             child->subWindow()->move(200, 100);
         }
         QApplication::processEvents();
     },
     [](M& t) {
         const QList<QRect> g = t.geometries();
         const int bottom = t.frame->mdiArea()->viewport()->rect().bottom();
         ASSERT_EQ(g.size(), 2);
         EXPECT_EQ(g[0].left(), 0);
         EXPECT_EQ(g[0].bottom(), bottom);
         EXPECT_EQ(g[1].left(), g[0].right() + 1);
         EXPECT_EQ(g[1].bottom(), bottom);
     }},
    {"MainMenu_Hilfe", "MainMenu_Hilfe_Hilfethemen", Owner::Frame, Qt::Key_F1, [](M& t) { t.dir.write("Readme.txt", "Hilfe"); },
     [](M& t) {
         ASSERT_EQ(t.frame->documentCount(), 1);
         EXPECT_EQ(t.frame->activeDocument()->caption(), t.dir.file("Readme.txt"));
     }},
    // Shift+F1 belongs to the toolbar "Datei", which comes first.
    {"MainMenu_Hilfe", "MainMenu_Hilfe_Infos", Owner::Frame, {}, [](M&) {},
     [](M& t) { EXPECT_EQ(t.modals.titles, QStringList{"Infos..."}); }},
};

void PrintTo(const Command& c, std::ostream* os) { *os << c.item; }

std::string rowName(const ::testing::TestParamInfo<Command>& info)
{
    return std::string(info.param.owner == Owner::Document ? "Document_" : "Frame_") + info.param.item;
}

}  // namespace

TEST_P(MenuCommand, RunsItsOwnCommandFromTheMenuAndByKey)
{
    const Command& c = GetParam();
    CwdGuard cwd(dir.path());
    c.prepare(*this);
    run(Way::Menu);
    {
        SCOPED_TRACE("chosen in the menu");
        c.check(*this);
    }
    if (c.key.isEmpty())
        return;
    // Once more from the start, by the key.
    TearDown();
    doc = nullptr;
    made.clear();
    modals.titles.clear();
    print.prints = print.setups = 0;
    fakes.dialogs.openRequests.clear();
    fakes.dialogs.saveRequests.clear();
    SetUp();
    c.prepare(*this);
    run(Way::Key);
    SCOPED_TRACE("by the key " + c.key.toString().toStdString());
    c.check(*this);
}

INSTANTIATE_TEST_SUITE_P(EveryItem, MenuCommand, ::testing::ValuesIn(kCommands), rowName);
