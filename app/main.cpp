#include "core/program/command_line.h"
#include "core/program/program.h"
#include "core/program/program_folder.h"
#include "core/program/shutdown.h"
#include "core/program/termination_signals.h"
#include "core/state/app_state.h"
#include "platform/event_loop.h"
#include "platform/socket_control.h"
#include "ui/dialog_prompts.h"
#include "ui/program_actions.h"
#include "ui/ui_shell.h"
#include "version.h"

#include "platform/desktop_services.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// With a display and no platform chosen by the user, X11 first: window
// placement works there. Offscreen and explicit choices are kept.
void preferX11() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb;wayland");
    }
}

// Without a display Qt ends the program with an abort and a page of text;
// the program says in one line what is missing and how to go on instead.
constexpr const char* kNoDisplay =
    "Tornel: no display could be opened for its windows. Start it from a desktop session "
    "(or over ssh -X), or set DISPLAY to a running X server, for example DISPLAY=:0.\n";

[[noreturn]] void endForWantOfADisplay() {
    std::fputs(kNoDisplay, stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

// Whether Qt has somewhere to open the windows: a display, or a platform
// the user chose (offscreen among them).
bool displayNamed() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

QtMessageHandler qtMessages = nullptr;

// While the application starts: a display that is named but does not open
// ends the program with the same line instead of Qt's abort.
void platformStartMessages(QtMsgType type, const QMessageLogContext& context,
                           const QString& message) {
    if (type == QtFatalMsg) {
        endForWantOfADisplay();
    }
    if (qtMessages) {
        qtMessages(type, context, message);
    }
}

// TORNEL_BIND_ADDRESS binds every socket to one address; with a loopback
// address the program never reaches a real network (tests).
void applyBindAddress() {
    const QByteArray address = qgetenv("TORNEL_BIND_ADDRESS");
    if (!address.isEmpty()) {
        platform::setBindAddress(address.toStdString());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (tornel::wantsVersionOnly(arguments)) {
        std::printf("Tornel %s\n", tornel::kVersion);
        return 0;
    }
    if (!displayNamed()) {
        endForWantOfADisplay();
    }
    preferX11();
    applyBindAddress();
    platform::preferPlainEventDispatcher();
    // GTK's own dialogs need GLib's loop to run; Qt's dialogs need no more
    // than the loop the program has.
    QApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    qtMessages = qInstallMessageHandler(platformStartMessages);
    QApplication application(argc, argv);
    qInstallMessageHandler(qtMessages);
    QApplication::setQuitOnLastWindowClosed(false);
    platform::installDesktopServices();

    const std::string folder =
        tornel::findProgramFolder(QCoreApplication::applicationDirPath().toStdString());
    if (folder.empty()) {
        std::fprintf(stderr, "Tornel: no program folder could be made\n");
        return 1;
    }
    tornel::AppState state(folder, tornel::CommandLine(arguments));
    state.ui.prompts = std::make_shared<tornel::DialogPrompts>();
    tornel::ui::ProgramActions actions(state);
    tornel::ui::installUserInterface(state, std::make_shared<tornel::ui::UiShell>(state, actions));

    tornel::Program program(state);
    const tornel::TerminationSignals terminationSignals(
        [&state] { tornel::endWithoutQuestion(state); });
    const int exitCode = program.run();
    // The windows go before the core's operations they call.
    state.ui = tornel::UserInterface{};
    return exitCode;
}
