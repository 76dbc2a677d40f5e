#include "platform/config_folder.h"
#include "platform/desktop_services.h"
#include "platform/event_loop.h"
#include "platform/socket_control.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// Every test process has a Qt application (offscreen unless told otherwise)
// with the desktop's windows behind the platform's services,
// stores in a temporary folder, and binds only to loopback.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    testing::InitGoogleTest(&argc, argv);
    platform::preferPlainEventDispatcher();  // as the program and the test node run
    QApplication application(argc, argv);
    platform::installDesktopServices();
    QTemporaryDir configFolder;
    platform::ScopedConfigFolder configOverride(configFolder.path().toStdString());
    platform::setBindAddress("127.0.0.1");
    return RUN_ALL_TESTS();
}
