#include "platform/desktop.h"

#include <utility>

namespace platform {
namespace {

ScopedDesktopRecorder* recorder = nullptr;

DesktopOpener& installedOpener() {
    static DesktopOpener opener;
    return opener;
}

}  // namespace

bool openWithDesktop(const std::string& path) {
    if (recorder) {
        recorder->opened_.push_back(path);
        return true;
    }
    const DesktopOpener& opener = installedOpener();
    return opener ? opener(path) : false;
}

void installDesktopOpener(DesktopOpener opener) {
    installedOpener() = std::move(opener);
}

ScopedDesktopRecorder::ScopedDesktopRecorder() {
    recorder = this;
}

ScopedDesktopRecorder::~ScopedDesktopRecorder() {
    recorder = nullptr;
}

}  // namespace platform
