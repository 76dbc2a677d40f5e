#include "platform/desktop.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform {
namespace {

ScopedDesktopRecorder* recorder = nullptr;

}  // namespace

bool openWithDesktop(const std::string& path) {
    if (recorder) {
        recorder->opened_.push_back(path);
        return true;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

ScopedDesktopRecorder::ScopedDesktopRecorder() {
    recorder = this;
}

ScopedDesktopRecorder::~ScopedDesktopRecorder() {
    recorder = nullptr;
}

}  // namespace platform
