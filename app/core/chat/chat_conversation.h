#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tornel {

struct AppState;

// What a chat window does with its peer, shared by the skinned and the
// classic chat window: sending lines, the typing notices, the time of the
// last received line, files dropped on the window and the two links.
class ChatConversation {
  public:
    explicit ChatConversation(AppState& state) : state_(state) {}

    // The peer, set by the chat opener.
    std::string recipientID;
    std::string recipientName;

    // The status text of the last received line; "" until one arrives.
    const std::string& lastMsgText() const { return lastMsgText_; }
    // Whether the last typing notice sent said "typing".
    bool typingSent() const { return typingSent_; }

    // Sends `text` to the peer and gives the own line to show ("NAME: text");
    // nothing is sent for an empty text.
    std::optional<std::string> send(const std::string& text);
    // A line from the peer arrived now: lastMsgText becomes "Last message
    // received at TIME " (with the trailing blank).
    void noteReceived();
    // Sends the notice "UserTyping" when `typing` differs from the last one sent.
    void typingStatus(bool typing);
    // The window closes: a peer told "typing" last is told "stopped".
    void closing() { typingStatus(false); }

    // Offers the dropped `paths` that are plain files and not hidden, in
    // order; four or more are offered only after the user agrees.
    void offerFiles(const std::vector<std::string>& paths, const char* source);
    // "View shared" without the single-window mode: the peer's files window.
    void showSharedFiles();
    // "Send a file": asks for a file and offers it.
    void sendAFile();

  private:
    AppState& state_;
    std::string lastMsgText_;
    bool typingSent_ = false;
};

}  // namespace tornel
