#include "app/application.h"
#include "app/commandline.h"
#include "app/mainform.h"
#include "platform/displayplatform.h"
#include "platform/messagebox.h"
#include "platform/savebackup.h"
#include "platform/instanceguard.h"

#include <QScreen>
#include <QTimer>

#include <cstdio>

int main(int argc, char* argv[])
{
    // In a Wayland session the program runs through XWayland where there is one.
    platform::chooseQpaPlatform();
    // Without a display Qt would abort; say so in one line instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("varnotex: no display found (set DISPLAY or WAYLAND_DISPLAY, or start it under Xvfb).\n", stderr);
        return 1;
    }
    // The command line belongs to the program: Qt sees only the program's name, so a file
    // named "-reverse" or "-style" is opened like any other.
    // Qt takes the desktop's activation token out of the environment when it starts; a
    // later start hands it to the running instance.
    platform::keepActivationToken();
    char fallbackName[] = "varnotex";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    TApplication app(qtArgc, qtArgv);
    Q_INIT_RESOURCE(varnotex);
    installGermanTranslations(app);

    // Saves that a kill interrupted are put right before any file is opened.
    const QStringList recovered = platform::recoverInterruptedSaves();

    TMainForm frame;
    frame.setCommandLine(CommandLine::ProgramParameters(argc, argv));
    if (!frame.OnCreate())
        return 0;
    installRecoveryShutdown();
    // Placed in the centre of the screen with the size the settings gave it.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect geometry = frame.frameGeometry();
        geometry.moveCenter(screen->availableGeometry().center());
        frame.move(geometry.topLeft());
    }
    frame.show();
    frame.raise();
    frame.activateWindow();
    // Names on the command line that cannot be carried exactly are refused, not replaced.
    const QStringList refused = CommandLine::RefusedParameters(argc, argv);
    if (!refused.isEmpty() || !recovered.isEmpty())
        QTimer::singleShot(0, &frame, [refused, recovered] {
            for (const QString& text : recovered)
                platform::MessageBoxService::current().show(QStringLiteral("Speichern unterbrochen..."), text,
                                                            platform::MsgIcon::Information, platform::MsgButtons::Ok);
            for (const QString& text : refused)
                platform::MessageBoxService::current().show(QStringLiteral("Fehler:"), text, platform::MsgIcon::Error,
                                                            platform::MsgButtons::Ok);
        });
    app.exec();
    return 0;
}
