#pragma once

#include "core/chat/chat_conversation.h"
#include "core/interfaces/chat_window.h"
#include "qellib/types.h"
#include "ui/chat/file_drop_target.h"
#include "ui/chat/shared_files_link.h"
#include "ui/classic/heading_band.h"
#include "ui/controls/elided_label.h"
#include "ui/form/form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>

#include <functional>

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// The classic chat window of the multiple-windows mode (frmChatOld): one
// plain window per peer with the conversation, the input line, the typing
// notices in its status bar, the link check, dropped files and a link to
// the peer's shared files. Closed, it tells the peer the user stopped
// typing (when "typing" was sent last), leaves chatWindows and deletes
// itself later.
class ClassicChatWindow : public Form, public ChatWindow {
    Q_OBJECT

  public:
    // "View Files" in the single-window mode: the Explore view with the peer selected.
    using ShowInExplore = ui::ShowInExplore;

    ClassicChatWindow(AppState& state, ShowInExplore showInExplore);
    ~ClassicChatWindow() override;

    HeadingBand heading;
    Label* lblTitle() const { return heading.title; }
    Label* const lblSharing;
    Label* const lblPing;
    FileDropTarget<QPlainTextEdit>* const txtConv;
    FileDropTarget<QLineEdit>* const txtIn;
    TwipsControl<QPushButton>* const cmdSend;
    TwipsControl<QStatusBar>* const sbChat;
    // The status bar's panel keyed "typing".
    ElidedLabel* const typingPanel;
    QTimer* const timPing;

    ChatConversation conversation;

    // What the chat opener sets: the peer, its sharing link, the title,
    // the caption and the status text.
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

    // Handlers.
    void cmdSend_Click();
    void txtIn_Change();
    void lblSharing_Click();
    void timPing_Timer();

    // The window's inner size as designed, in twips.
    static constexpr Twips kDesignWidth = 6600;
    static constexpr Twips kDesignHeight = 5100;

  protected:
    void Form_Resize() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void connectControls();
    // The least size at which every control keeps its room.
    void fitMinimumSize();
    void unload();

    AppState& state_;
    ShowInExplore showInExplore_;
    bool unloaded_ = false;
};

// Opens a classic chat window for `node` and lists it in chatWindows.
void openClassicChatWindow(AppState& state, const qel::typNodeInfo& node,
                           ClassicChatWindow::ShowInExplore showInExplore);

}  // namespace tornel::ui
