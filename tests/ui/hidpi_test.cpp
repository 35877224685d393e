#include "app/frametoolbars.h"
#include "framefixture.h"
#include "toolbars/toolbarbutton.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QWindow>

#include <cmath>

namespace {

const char* const kToolbarNames[] = {"Toolbar_Datei", "Toolbar_Bearbeiten", "Toolbar_Markierung",
                                 "Toolbar_Suchen", "Toolbar_Optionen", "Toolbar_Fenster"};

// Run by the scaling case in a process of its own (the scale is fixed when the
// application starts): writes one line per toolbar button and status panel, in device
// pixels, with the room its text or image has and needs.
class HiDpiMeasure : public FrameTest {};

TEST_F(HiDpiMeasure, Frame)
{
    const QString out = qEnvironmentVariable("VARNOTEX_HIDPI_OUT");
    if (out.isEmpty())
        GTEST_SKIP() << "run by HiDpi.LayoutScalesWithNoClippedText";
    for (const char* name : kToolbarNames)
        frame->toolbars()->setToolbarVisible(QLatin1String(name), true);
    TMainChildForm* child = openFile(QStringLiteral("brief.txt"), "Hallo Welt");
    type(child, QStringLiteral("x"));  // "Modifiziert"
    QApplication::processEvents();
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QTextStream s(&file);
    const qreal dpr = frame->windowHandle()->devicePixelRatio();
    s << "dpr " << dpr << "\n";
    for (TToolbarButton* button : frame->findChildren<TToolbarButton*>()) {
        if (!button->isVisibleTo(frame.get()))
            continue;
        const QSize image = button->iconSize();
        const QPixmap pixmap = button->icon().pixmap(image, dpr);
        s << "button " << button->width() * dpr << ' ' << button->height() * dpr << ' ' << pixmap.width() << ' '
          << image.width() * dpr << "\n";
    }
    TStatusBar* bar = child->StatusBar;
    for (int i = 0; i < bar->panelCount(); ++i) {
        const QRect room = TStatusBar::textRect(bar->panelRect(i));
        s << "panel " << bar->panelWidth(i) * dpr << ' ' << room.width() << ' '
          << bar->fontMetrics().horizontalAdvance(bar->panelText(i)) << ' ' << bar->panelWidth(i) << "\n";
    }
}

struct Measured {
    qreal dpr = 0;
    QList<QList<qreal>> buttons;
    QList<QList<qreal>> panels;
};

Measured measureAt(const QString& scale)
{
    Measured m;
    const QString out = QDir::temp().filePath(QStringLiteral("varnotex-hidpi-%1-%2.txt")
                                                   .arg(QCoreApplication::applicationPid()).arg(scale));
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VARNOTEX_HIDPI_OUT"), out);
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=HiDpiMeasure.Frame")});
    p.waitForFinished(-1);
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
    QFile file(out);
    if (!file.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> f = line.split(' ');
        QList<qreal> values;
        for (int i = 1; i < f.size(); ++i)
            values << f[i].toDouble();
        if (f[0] == "dpr")
            m.dpr = values.value(0);
        else if (f[0] == "button")
            m.buttons << values;
        else if (f[0] == "panel")
            m.panels << values;
    }
    file.remove();
    return m;
}

TEST(HiDpi, LayoutScalesWithNoClippedText)
{
    const Measured base = measureAt(QStringLiteral("1"));
    ASSERT_EQ(base.dpr, 1.0);
    ASSERT_GE(base.buttons.size(), 21);
    ASSERT_GE(base.panels.size(), 3);
    for (const QString& scale : {QStringLiteral("1"), QStringLiteral("1.5"), QStringLiteral("2")}) {
        SCOPED_TRACE(scale.toStdString());
        const Measured m = scale == QLatin1String("1") ? base : measureAt(scale);
        const qreal f = scale.toDouble();
        EXPECT_DOUBLE_EQ(m.dpr, f);
        ASSERT_EQ(m.buttons.size(), base.buttons.size());
        ASSERT_EQ(m.panels.size(), base.panels.size());
        for (int i = 0; i < m.buttons.size(); ++i) {
            // Button sizes grow with the scale; the image is drawn for the device pixels,
            // not blown up from 16 pixels.
            EXPECT_NEAR(m.buttons[i][0], base.buttons[i][0] * f, 1.0);
            EXPECT_NEAR(m.buttons[i][1], base.buttons[i][1] * f, 1.0);
            EXPECT_GE(m.buttons[i][2], std::floor(m.buttons[i][3]));
        }
        for (int i = 0; i < m.panels.size(); ++i) {
            EXPECT_NEAR(m.panels[i][0], base.panels[i][0] * f, 1.0);
            // The text fits the room the panel gives it (the last panel runs to the edge).
            EXPECT_LE(m.panels[i][2], m.panels[i][1]) << "panel " << i;
        }
    }
}

}  // namespace
