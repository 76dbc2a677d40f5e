#include "core/program/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <csignal>

namespace tornel {
namespace {

constexpr std::array<int, 3> HandledSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe the handler writes into: [0] is read by the event loop.
std::array<int, 2> signalPipe = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

void setHandler(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : HandledSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (::pipe2(signalPipe.data(), O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof(bytes)) > 0) {
        }
        if (onSignal_) {
            onSignal_();
        }
    });
    setHandler(onTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) {
        return;
    }
    setHandler(SIG_DFL);
    notifier_.reset();
    for (int& end : signalPipe) {
        ::close(end);
        end = -1;
    }
}

}  // namespace tornel
