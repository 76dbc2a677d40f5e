#pragma once

#include "core/interfaces/transfer_list.h"
#include "core/transfers/transfer_lists.h"
#include "ui/classic/heading_band.h"
#include "ui/classic/keyed_tool_bar.h"
#include "ui/controls/image_list.h"
#include "ui/controls/keyed_list_view.h"
#include "ui/controls/label.h"
#include "ui/form/form.h"

#include <QStatusBar>
#include <QTimer>

#include <memory>

namespace tornel {
struct AppState;
class cDownload;
}  // namespace tornel

namespace tornel::ui {

struct WindowContext;

// The transfers window of the multiple-windows mode (frmTransfers): this
// node's downloads above its uploads, which the user can hide, refreshed
// every second, with commands on the selected download and one that clears
// the finished transfers. Closed, it saves its placement and deletes itself
// later; the next Display makes a new one.
class TransfersWindow : public Form, public TransferListOwner {
    Q_OBJECT

  public:
    TransfersWindow(AppState& state, WindowContext& context);
    ~TransfersWindow() override;

    // File-type icons of both lists.
    ImageList lstIcons;
    KeyedToolBar* const tbMain;
    HeadingBand heading;
    Label* const picDL;
    Label* const lblDL;
    KeyedListView* const lvDown;
    Label* const picUL;
    Label* const lblUL;
    Label* const ulHide;
    KeyedListView* const lvUp;
    TwipsControl<QStatusBar>* const sbMain;
    QTimer* const timUpdate;

    // The first showing: the saved placement, every button off, the window
    // on screen and the lists filled once.
    void Form_Load();
    // Shows the window with the uploads list as ShowUploads says.
    void Display();
    // The toolbar follows the selected download and the rows present.
    void setButtons() override;
    // Every toolbar button off.
    void initToolbar();
    // Hides a shown uploads list, or shows a hidden one, and keeps the
    // choice in ShowUploads.
    void toggleUploads();

    // Handlers.
    void lvDown_Click() { setButtons(); }
    void lvDown_DblClick();
    void tbMain_ButtonClick(const QString& key);
    void timUpdate_Timer();

  protected:
    void Form_Resize() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void connectControls();
    // The least size at which every control keeps its room.
    void fitMinimumSize();
    void showUploadsList(bool shown);
    // The download of the row the user selected, or null.
    std::shared_ptr<cDownload> selectedDownload() const;
    void deleteFile(const std::shared_ptr<cDownload>& dl);
    void clearInactive();

    AppState& state_;
    WindowContext& context_;
    TransferLists lists_;
    bool unloaded_ = false;
};

}  // namespace tornel::ui
