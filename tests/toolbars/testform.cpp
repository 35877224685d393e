#include "testform.h"

#include "toolbars/toolbarbutton.h"
#include "toolbars/toolbarsep.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>
#include <QTest>
#include <QVBoxLayout>

const int kDesignPos[6] = {0, 111, 268, 379, 438, 503};
const int kDesignLength[6] = {111, 157, 111, 59, 65, 82};

namespace {

struct BarDef {
    const char* name;
    const char* caption;
    int pos;
    QList<const char*> contents;  // button names; "-" is a separator
};

QIcon plainIcon(int index)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor::fromHsv((index * 37) % 360, 160, 200));
    return QIcon(pixmap);
}

}  // namespace

TestForm::TestForm(bool show, QPoint at, QSize size)
    : form_(std::make_unique<QWidget>())
{
    form_->setObjectName(QStringLiteral("MainForm"));
    auto* layout = new QVBoxLayout(form_.get());
    layout->setContentsMargins(0, 0, 0, 0);
    frame_ = new TDockFrame(form_.get());
    layout->addWidget(frame_);
    auto* tabs = new QWidget;
    tabs->setFixedHeight(20);
    frame_->addTopWidget(tabs);
    central_ = new QWidget;
    frame_->setCentralWidget(central_);

    const QList<BarDef> defs = {
        {"Toolbar_Datei", "Datei", 0, {"Button_Neu", "Button_Oeffnen", "Button_Speichern", "-", "Button_Drucken"}},
        {"Toolbar_Bearbeiten", "Bearbeiten", 111,
         {"Button_Rueckgaengig", "Button_Wiederherstellen", "-", "Button_Ausschneiden", "Button_Kopieren",
          "Button_Einfuegen", "Button_Loeschen"}},
        {"Toolbar_Markierung", "Markierung", 268,
         {"Button_Grossbuchstaben", "Button_Kleinbuchstaben", "-", "Button_NichtsMarkieren", "Button_AllesMarkieren"}},
        {"Toolbar_Suchen", "Suchen", 379, {"Button_Suchen", "Button_Weitersuchen"}},
        {"Toolbar_Optionen", "Optionen", 438, {"Button_EinstellungenKonfigurieren", "-", "Button_Infos"}},
        {"Toolbar_Fenster", "Fenster", 503, {"Button_Laengsteilen", "Button_Querteilen", "Button_Ueberlappen"}},
    };
    int icon = 0;
    for (const BarDef& def : defs) {
        auto* bar = new TToolbar(form_.get());
        bar->setObjectName(QString::fromLatin1(def.name));
        bar->setCaption(QString::fromLatin1(def.caption));
        for (const char* item : def.contents) {
            if (QByteArray(item) == "-") {
                bar->addControl(new TToolbarSep);
            } else {
                auto* button = new TToolbarButton;
                button->setObjectName(QString::fromLatin1(item));
                button->setHint(QString::fromLatin1(item).mid(7));
                button->setImage(plainIcon(icon++));
                bar->addControl(button);
            }
        }
        bar->setDockPos(def.pos);
        bar->setDockedTo(frame_->dockTop());
        toolbars_.append(bar);
    }

    form_->move(at);
    form_->resize(size);
    if (show) {
        form_->show();
        if (!QTest::qWaitForWindowExposed(form_.get()))
            qWarning("the test form was not exposed");
        settle();
    }
}

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
