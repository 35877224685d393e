#include <QApplication>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

// Every test program runs with one application object, on the offscreen platform unless the
// environment names another one. The offscreen screen is set here, not left to the
// platform's default: one screen of 800 x 600 pixels at 96 dpi.
int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(varnotex);
    QTemporaryFile screens;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        if (screens.open()) {
            screens.write(R"({"screens": [{"name": "Testbildschirm", "x": 0, "y": 0, "width": 800, "height": 600,)"
                          R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            screens.flush();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
        } else {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    // Recovery journals of the document windows a test makes go to a folder of the run's
    // own, never to the user's, and never meet those of another test program.
    QTemporaryDir state;
    if (state.isValid())
        qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
