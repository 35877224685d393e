#include <QApplication>
#include <gtest/gtest.h>

// Every test program runs with one application object, on the offscreen platform
// unless the environment says otherwise.
int main(int argc, char** argv)
{
    Q_INIT_RESOURCE(varnotex);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
