#include "app/mainform.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Without a display Qt would abort; say so in one line instead.
    const bool headlessPlatform = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    if (!headlessPlatform && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("varnotex: no display found (set DISPLAY or WAYLAND_DISPLAY, or start it under Xvfb).\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(varnotex);
    TMainForm frame;
    frame.show();
    app.exec();
    return 0;
}
