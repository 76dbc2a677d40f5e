#pragma once

#include "core/interfaces/chat_window.h"
#include "qellib/types.h"
#include "ui/classic/heading_band.h"
#include "ui/classic/keyed_tool_bar.h"
#include "ui/controls/elided_label.h"
#include "ui/controls/file_list.h"
#include "ui/controls/image_list.h"
#include "ui/form/form.h"

#include <QStatusBar>

#include <cstdint>
#include <string>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class CoreActions;
struct WindowContext;

// The remote files window of the multiple-windows mode (frmFiles): one
// per remote node, listing one of its shared folders at a time. It moves
// into folders, up a level and home, downloads the selected files into the
// download folder and offers a chat and a file offer to the same user.
//
// A listing waits for its answer while events run, so the toolbar stays
// usable during it; each listing carries a generation and an answer that
// comes after a newer listing began is dropped. Closed, the window deletes
// itself later and leaves filesWindows.
class RemoteFilesWindow : public Form, public FilesWindow {
    Q_OBJECT

  public:
    RemoteFilesWindow(AppState& state, WindowContext& context, CoreActions& core);
    ~RemoteFilesWindow() override;

    // Small icons of the list.
    enum ListImage { imgFolder = 1, imgFile = 2 };

    ImageList listIcons;
    KeyedToolBar* const tbMain;
    HeadingBand heading;
    FileList* const lstFiles;
    TwipsControl<QStatusBar>* const sbMain;
    // The status bar's text, starting where the list above it does.
    ElidedLabel* const statusText;

    // The remote node's ID; this window's key in filesWindows.
    std::string nodeID;

    // Lists the folder `path` ("\" for the top) of `node`.
    void browseFolder(const qel::typNodeInfo& node, const std::string& path);
    // Downloads every selected file of the list into the download folder.
    void downloadSelected();

    const std::string& currentPath() const { return currentPath_; }
    // The folder above `path` ("\A\B\" gives "\A\", "\A\" gives "\").
    static std::string parentPath(const std::string& path);

    // Handlers.
    void lstFiles_DblClick();
    void lstFiles_KeyPress(int keyAscii);
    void lstFiles_MouseUp(int button, double x, double y);
    void tbMain_ButtonClick(const QString& key);

    // The smallest inner size the window keeps, in twips.
    static constexpr Twips kMinClientWidth = 5100;
    static constexpr Twips kMinClientHeight = 4000;

  protected:
    void Form_Resize() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void connectControls();
    void fillList(const std::vector<std::string>& entries);
    // Leaves filesWindows, saves the placement and deletes the window once
    // control is back in the event loop.
    void unload();

    AppState& state_;
    WindowContext& context_;
    CoreActions& core_;
    qel::typNodeInfo node_;
    std::string currentPath_ = "\\";
    double mouseX_ = 0;
    double mouseY_ = 0;
    uint64_t listGeneration_ = 0;
    bool unloaded_ = false;
};

// Opens the files window of `node`, or restores and raises its open one;
// tells the user when the node shares nothing.
void openFilesWindow(AppState& state, WindowContext& context, CoreActions& core,
                     const qel::typNodeInfo& node);

// Closes every files window (the end of the run); each saves its placement.
void unloadFilesWindows(AppState& state);

}  // namespace tornel::ui
