#pragma once

#include "core/chat/chat_conversation.h"
#include "core/interfaces/chat_window.h"
#include "qellib/types.h"
#include "ui/chat/file_drop_target.h"
#include "ui/chat/shared_files_link.h"
#include "ui/controls/elided_label.h"
#include "ui/skinned/skinned_window.h"
#include "ui/skinned/task_bar_proxy.h"

#include <QFrame>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <functional>
#include <memory>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// The skinned chat window (frmChat): one per peer, behind a task-bar entry
// of its own. It shows the conversation and the state of the link, sends
// lines and typing notices, offers dropped files and links to the peer's
// shared files and to a file offer. Closed, it deletes itself later.
class SkinnedChatWindow : public SkinnedWindow, public ChatWindow {
    Q_OBJECT

  public:
    // "View shared" in the single-window mode: the Explore view with the peer selected.
    using ShowInExplore = ui::ShowInExplore;

    SkinnedChatWindow(AppState& state, WindowContext& context, ShowInExplore showInExplore);
    ~SkinnedChatWindow() override;

    FileDropTarget<QPlainTextEdit>* const txtConv;
    FileDropTarget<QLineEdit>* const txtIn;
    TwipsControl<QPushButton>* const cmdSend;
    TwipsControl<QFrame>* const shpStatus;
    ElidedLabel* const lblStatus;
    Label* const lblPing;
    Label* const lblChattingWith;
    PictureBox* const imgSpeech;
    Label* const lblSharing;
    PictureBox* const imgSharing;
    Label* const lblSendFile;
    PictureBox* const imgSendFile;
    PictureBox* imgChat() const { return imgLogo; }
    QTimer* const timPing;

    ChatConversation conversation;
    std::unique_ptr<TaskBarProxy> taskBarForm;

    // What the chat opener sets: the peer, its sharing link, the status
    // text, the heading and the window's own task-bar entry.
    void openFor(const qel::typNodeInfo& node);

    // ChatWindow.
    std::string recipientID() const override { return conversation.recipientID; }
    std::string recipientName() const override { return conversation.recipientName; }
    void addMessage(const std::string& strMessage, bool fromRemote) override;
    bool isForeground() const override { return isActiveWindow(); }
    bool isMinimised() const override { return isMinimized(); }
    void flash() override;
    bool pingWarningVisible() const override { return !lblPing->isHidden(); }
    void setPingWarningVisible(bool visible) override { lblPing->setVisible(visible); }
    bool isShown() const override { return Visible(); }
    std::string lastMsgText() const override { return conversation.lastMsgText(); }
    void setStatusText(const std::string& text) override;

    // Fits the heading "Chatting with NAME" left of the right edge the
    // layout gave it, clear of the sharing link.
    void setChattingText();

    void cmdSend_Click();
    void txtIn_Change();
    void lblSharing_Click();
    void lblSendFile_Click();
    void timPing_Timer();
    // Tells the peer the user stopped typing (when "typing" was sent last), then unloads.
    void closeChat();

    TaskBarProxy* proxy() override { return taskBarForm.get(); }

    // The window's inner size as designed, in twips.
    static constexpr Twips kDesignWidth = 7200;
    static constexpr Twips kDesignHeight = 5400;

  protected:
    void closeWindow() override { closeChat(); }
    void layoutContent() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void connectControls();
    void filesDropped(const std::vector<std::string>& paths, const char* source);
    // Leaves chatWindows, saves the placement, drops the task-bar entry and
    // deletes the window once control is back in the event loop.
    void unload();

    AppState& state_;
    ShowInExplore showInExplore_;
    bool unloaded_ = false;
};

}  // namespace tornel::ui
