#include "app/application.h"
#include "app/mainform.h"

#include <QScreen>

#include <cstdio>

int main(int argc, char* argv[])
{
    // Without a display Qt would abort; say so in one line instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("varnotex: no display found (set DISPLAY or WAYLAND_DISPLAY, or start it under Xvfb).\n", stderr);
        return 1;
    }
    TApplication app(argc, argv);
    Q_INIT_RESOURCE(varnotex);
    installGermanTranslations(app);

    TMainForm frame;
    frame.setCommandLine(QApplication::arguments().mid(1));
    if (!frame.OnCreate())
        return 0;
    // Placed in the centre of the screen with the size the settings gave it.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect geometry = frame.frameGeometry();
        geometry.moveCenter(screen->availableGeometry().center());
        frame.move(geometry.topLeft());
    }
    frame.show();
    frame.raise();
    frame.activateWindow();
    app.exec();
    return 0;
}
