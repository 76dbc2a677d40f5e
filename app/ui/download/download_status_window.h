#pragma once

#include "core/interfaces/download_window.h"
#include "ui/controls/elided_label.h"
#include "ui/form/form.h"

#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <memory>

namespace tornel {
struct AppState;
class cDownload;
}  // namespace tornel

namespace tornel::ui {

// The status window of one download (frmDownload): the file's name,
// progress, speed, and buttons to open the file, show its folder, and
// cancel or hide. Shown in prompt mode when a download starts (closing a
// running download cancels it after a question) or in information mode from
// the Transfers views (closing only hides). Its download record owns it;
// closing never destroys it: an unloaded window is hidden with its controls
// back to their first texts, and later writes still reach it.
class DownloadStatusWindow : public Form, public DownloadWindow {
    Q_OBJECT

  public:
    DownloadStatusWindow(AppState& state, std::weak_ptr<cDownload> download);
    ~DownloadStatusWindow() override;

    // The download shown; the window does not keep it alive.
    std::weak_ptr<cDownload> Download;

    QFrame* const Shape1;
    QLabel* const Image1;
    QLabel* const lblTitle;
    QLabel* const lblSubtitle;
    QFrame* const Frame1;
    ElidedLabel* const lblName;
    QLabel* const lblProgress;
    QProgressBar* const pbFile;
    QLabel* const lblSpeed;
    QPushButton* const cmdOpen;
    QPushButton* const cmdFolder;
    QPushButton* const cmdCancel;
    QTimer* const timRefresh;

    bool showPrompt() const { return showPrompt_; }
    bool infoMode() const { return bInfoMode; }

    // What the core writes.
    void setCaption(const std::string& text) override;
    void setTitle(const std::string& text) override;
    void setSubtitle(const std::string& text) override;
    void setFileName(const std::string& text) override;
    void setProgressText(const std::string& text) override;
    void setSpeedText(const std::string& text) override;
    void setProgressValue(int thousandths) override;
    void setFileButtonsEnabled(bool enabled) override;
    void setCancelCaption(const std::string& text) override;
    void setRefreshTimer(bool on) override;
    void setShowPrompt(bool on) override { showPrompt_ = on; }
    void showStatus(bool infoMode) override;
    void showSpeed() override;
    void unload() override;

    void cmdOpen_Click();
    void cmdFolder_Click();
    void cmdCancel_Click();

  protected:
    // The frame's close: Form_Unload.
    void closeEvent(QCloseEvent* event) override;

  private:
    void placeControls();
    // Hides the window, or cancels first in prompt mode; whether it may unload.
    bool closeQuery();
    // Whether the window may unload now (Form_Unload's question).
    bool mayUnload();
    // Hidden, timer off, every control back to its design value.
    void resetToDesign();

    AppState& state_;
    bool showPrompt_ = false;
    bool bInfoMode = false;
};

// A new status window for `download`, hidden, owned by the returned pointer
// (the window itself is deleted from the event loop).
std::shared_ptr<DownloadWindow> newDownloadStatusWindow(AppState& state,
                                                        const std::shared_ptr<cDownload>& download);

}  // namespace tornel::ui
