// The Qt tests' entry: an application object on the offscreen platform,
// with a configuration directory of its own.
#include <gtest/gtest.h>

#include <QApplication>

#include "temp_dir.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing of Qt's or ours lands in the user's configuration.
    tikr::test::TempDir config;
    qputenv("XDG_CONFIG_HOME", config.Path().string().c_str());
    qputenv("XDG_STATE_HOME", (config.Path() / "state").string().c_str());
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
