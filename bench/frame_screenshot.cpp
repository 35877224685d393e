// Shows the frame with two documents, the tab strip and the toolbars, and saves a picture
// of it: bench_frame_screenshot [--all-toolbars] out.png [layout.ini] (run under a display
// or Xvfb). --all-toolbars shows all six toolbars; QT_SCALE_FACTOR sets the scale.
#include "app/application.h"
#include "app/frametoolbars.h"
#include "app/mainform.h"
#include "document/mainchildform.h"
#include "editor/texteditor.h"
#include "settings/globals.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

static void settle()
{
    for (int i = 0; i < 25; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

int main(int argc, char** argv)
{
    bool allToolbars = false;
    if (argc > 1 && QByteArray(argv[1]) == "--all-toolbars") {
        allToolbars = true;
        --argc;
        ++argv;
    }
    TApplication app(argc, argv);
    Q_INIT_RESOURCE(varnotex);
    installGermanTranslations(app);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("frame.png");
    QTemporaryDir dir;
    const QString ini = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("VARNX.ini"));
    if (argc <= 2) {
        QFile f(ini);
        if (f.open(QIODevice::WriteOnly))
            f.write("[View]\r\nShowMarkbar=1\r\n");
    }
    const auto writeFile = [&](const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return dir.filePath(name);
    };
    const QString brief = writeFile(QStringLiteral("Brief.txt"),
                                    "Sehr geehrte Frau M\xFCller,\r\n\r\nanbei die Rechnung \xFC" "ber 1.250,00 \x80.\r\n"
                                    "Mehr unter http://www.beispiel.de/kontakt\r\n\r\nMit freundlichen Gr\xFC\xDF" "en\r\n");
    const QString liste = writeFile(QStringLiteral("Liste.txt"), "1. Milch\r\n2. Brot\r\n3. \xC4pfel\r\n");

    Globals::Settings().IniFileName = ini;
    TMainForm frame;
    if (!frame.OnCreate())
        return 1;
    frame.resize(800, 560);
    if (allToolbars) {
        for (const char* name : {"Toolbar_Datei", "Toolbar_Bearbeiten", "Toolbar_Markierung", "Toolbar_Suchen",
                                 "Toolbar_Optionen", "Toolbar_Fenster"})
            frame.toolbars()->setToolbarVisible(QLatin1String(name), true);
    }
    frame.show();
    settle();
    frame.OpenDocument(liste);
    frame.OpenDocument(brief);
    frame.MainMenu_Fenster_Ueberlappen_OnClick();
    if (TMainChildForm* child = frame.activeDocument()) {
        child->RichEdit->setSelectionStart(0);
        child->RichEdit->setSelectionLength(25);
    }
    settle();
    const QPixmap shot = frame.screen()->grabWindow(0, frame.frameGeometry().x(), frame.frameGeometry().y(),
                                                    frame.frameGeometry().width(), frame.frameGeometry().height());
    const bool saved = shot.save(out);
    for (TMainChildForm* child : frame.documents())
        child->RichEdit->setTextModified(false);
    Globals::Settings().AutoSaveSettings = false;
    return saved ? 0 : 1;
}
