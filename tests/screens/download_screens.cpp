#include "core/state/app_state.h"
#include "core/state/download.h"
#include "screens/screens.h"
#include "ui/download/download_status_window.h"

#include <memory>

namespace tornel::screens {

namespace {

using Step = void (*)(ui::DownloadStatusWindow&);

void connecting(ui::DownloadStatusWindow& w) {
    w.setSpeedText("");
    w.setProgressText("Retrieving Metadata");
    w.setFileName("Holiday photos.zip");
    w.setCaption("Connecting - Holiday photos.zip");
}

void pending(ui::DownloadStatusWindow& w) {
    connecting(w);
    w.setProgressText("Pending");
    w.setCaption("Pending - Holiday photos.zip");
}

void askingPermission(ui::DownloadStatusWindow& w) {
    connecting(w);
    w.setProgressText("Asking Permission");
}

void downloading(ui::DownloadStatusWindow& w) {
    connecting(w);
    w.setProgressText("42.5% of 118.3 MB");
    w.setProgressValue(425);
    w.setCaption("43% - Holiday photos.zip");
    w.setSpeedText("2.4 MB/sec");
}

void accepted(ui::DownloadStatusWindow& w) {
    connecting(w);
    w.setProgressText("Accepted");
}

void refused(ui::DownloadStatusWindow& w) {
    connecting(w);
    w.setProgressText("Refused");
}

void complete(ui::DownloadStatusWindow& w) {
    downloading(w);
    w.setFileButtonsEnabled(true);
    w.setCancelCaption("&Close");
    w.setCaption("Complete - Holiday photos.zip");
    w.setTitle("Download Complete");
    w.setSubtitle("The file has been transferred");
    w.setProgressText("100% of 118.3 MB");
    w.setProgressValue(1000);
    w.setSpeedText("");
}

void longName(ui::DownloadStatusWindow& w) {
    downloading(w);
    const std::string name =
        "Minutes of the annual general meeting of the allotment society, with appendices.pdf";
    w.setFileName(name);
    w.setCaption("43% - " + name);
}

}  // namespace

void downloadScreens(ScreenSet& set) {
    const struct {
        const char* name;
        Step step;
        bool infoMode;
    } states[] = {
        {"download-connecting", connecting, false},
        {"download-pending", pending, false},
        {"download-asking-permission", askingPermission, false},
        {"download-accepted", accepted, false},
        {"download-refused", refused, false},
        {"download-receiving", downloading, false},
        {"download-receiving-information-mode", downloading, true},
        {"download-complete", complete, false},
        {"download-long-name", longName, false},
    };
    for (const auto& state : states) {
        auto record = std::make_shared<cDownload>(set.state);
        ui::DownloadStatusWindow window(set.state, record);
        window.showStatus(state.infoMode);
        state.step(window);
        set.shots.window(QString::fromLatin1(state.name), window);
        window.hide();
    }

    // Opened from the Transfers view while receiving, then the sender cancels:
    // the window only hides, and shown again it keeps no speed.
    auto record = std::make_shared<cDownload>(set.state);
    record->Status = DL_Downloading;
    record->Key = "SENDER-CANCELLED";
    ui::DownloadStatusWindow window(set.state, record);
    record->statusWindow = std::shared_ptr<DownloadWindow>(&window, [](DownloadWindow*) {});
    window.showStatus(true);
    downloading(window);
    record->Status = DL_Cancelled;
    record->extendedStatus = "Cancelled by sender";
    window.unload();
    window.showSpeed();
    window.showStatus(true);
    set.shots.window(QStringLiteral("download-cancelled-by-sender"), window);
    window.hide();
    record->statusWindow.reset();
}

}  // namespace tornel::screens
