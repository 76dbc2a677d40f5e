#pragma once

#include "qellib/types.h"
#include "ui/classic/heading_band.h"
#include "ui/classic/keyed_tool_bar.h"
#include "ui/controls/file_list.h"
#include "ui/controls/image_list.h"
#include "ui/controls/label.h"
#include "ui/form/form.h"

#include <QMenu>
#include <QProgressBar>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <string>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

class CoreActions;

// The users window of the multiple-windows mode (frmUsers, "Online
// Users"): one search of the whole network with a progress bar, the users
// found, and from there a user's shared files, a chat or a file offer.
//
// The search waits for its answers while events run, so a second search can
// start inside it; each search carries a generation and an answer that
// comes after a newer search began is dropped.
class UsersWindow : public Form {
    Q_OBJECT

  public:
    UsersWindow(AppState& state, CoreActions& core);
    ~UsersWindow() override;

    // Small icons of the list.
    enum UserImage { imgUserNotSharing = 1, imgNoUsers = 2, imgSearching = 3, imgUserSharing = 4 };

    ImageList imgUsers;
    KeyedToolBar* const tbMain;
    // The heading: Label1 "Online Users" over Label2 "Choose a user from below:".
    HeadingBand heading;
    Label* const Label1;
    Label* const Label2;
    Label* const lblConn;
    Label* const lblRefresh;
    FileList* const lvUsers;
    TwipsControl<QProgressBar>* const pbLoad;
    QTimer* const timLoad;
    QMenu* const mnuPopup;
    QAction* const mnuFiles;
    QAction* const mnuChat;
    QAction* const mnuSendFile;

    // Runs one search of the network and lists the users who answer.
    void showUsers();

    // Handlers.
    void lblRefresh_Click() { showUsers(); }
    void lvUsers_MouseUp(int button, double x, double y);
    void lvUsers_DblClick() { openFiles(); }
    void mnuFiles_Click() { openFiles(); }
    void mnuChat_Click() { chat(); }
    void mnuSendFile_Click() { sendFile(); }
    void tbMain_ButtonClick(const QString& key);
    void timLoad_Timer();

    // The window's inner size as designed and at the least, in twips.
    static constexpr Twips kClientWidth = 4500;
    static constexpr Twips kClientHeight = 5700;
    static constexpr Twips kMinimumWidth = 3600;
    static constexpr Twips kMinimumHeight = 3600;

  protected:
    // The list takes the room the heading and the bottom line leave.
    void Form_Resize() override;

  private:
    void buildControls();
    void connectControls();
    void setUserButtons(bool enabled);
    void listUsers(const std::vector<qel::typNodeInfo>& nodes);
    // The commands of the list: the user's files (only when the mouse was
    // released over the selected user), a chat and a file offer.
    void openFiles();
    void chat();
    void sendFile();
    // The selected user as the library knows it now, or nothing.
    std::optional<qel::typNodeInfo> selectedUser();

    AppState& state_;
    CoreActions& core_;
    double mouseX_ = 0;
    double mouseY_ = 0;
    int64_t loadStart_ = 0;
    uint64_t searchGeneration_ = 0;
};

}  // namespace tornel::ui
