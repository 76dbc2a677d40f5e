#pragma once

#include "core/interfaces/transfer_list.h"
#include "core/transfers/transfer_lists.h"
#include "ui/controls/image_list.h"
#include "ui/controls/keyed_list_view.h"
#include "ui/views/view_window.h"

#include <QTimer>

#include <initializer_list>
#include <memory>
#include <vector>

namespace tornel {
class cDownload;
}

namespace tornel::ui {

// The Transfers view (frmTrans): this node's downloads above its uploads,
// refreshed every second, with eight commands on the selected downloads and
// the finished transfers: status window, stop, resume, chat with the
// sender, open the file or its folder, delete the file, clear the inactive.
class TransfersView : public ViewWindow, public TransferListOwner {
    Q_OBJECT

  public:
    explicit TransfersView(ViewSwitcher& switcher);

    // File-type icons of both lists.
    ImageList lstIcons;
    KeyedListView* const lvDown;
    KeyedListView* const lvUp;
    QTimer* const timUpdate;

    // Brings both lists up to date, then the buttons.
    virtual void updateLists();
    // Enables the buttons that have something to act on.
    void setButtons() override;

    // Handlers.
    void imgBtn_Click(int Index);
    void lvDown_DblClick();

  protected:
    void layoutContent() override;

  private:
    using Downloads = std::vector<std::shared_ptr<cDownload>>;

    // The selected rows that still have their download, in list order.
    Downloads selectedDownloads() const;
    bool allSelectedKnown() const;
    bool allSelectedWithStatus(std::initializer_list<int32_t> states) const;
    bool anyUploadWithStatus(std::initializer_list<const char*> texts) const;

    void stopDownloads(const Downloads& selected);
    void showStatusWindows(const Downloads& selected);
    void chatWithSenders(const Downloads& selected);
    void deleteFiles(const Downloads& selected);
    void resumeDownloads(const Downloads& selected);
    void clearInactive();

    TransferLists lists_;
};

}  // namespace tornel::ui
