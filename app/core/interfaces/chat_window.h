#pragma once

#include <string>

namespace tornel {

// A chat window with one peer, as the core uses it (both chat window kinds
// implement it).
class ChatWindow {
  public:
    virtual ~ChatWindow() = default;

    virtual std::string recipientID() const = 0;
    virtual std::string recipientName() const = 0;
    // Adds a line to the conversation; `fromRemote` when the peer wrote it.
    virtual void addMessage(const std::string& strMessage, bool fromRemote) = 0;
    // Whether the window is the active one, and whether it is minimised.
    virtual bool isForeground() const = 0;
    virtual bool isMinimised() const = 0;
    // Asks the desktop to draw the user's eye to the window once.
    virtual void flash() = 0;
    // The connection-problem warning (lblPing).
    virtual bool pingWarningVisible() const = 0;
    virtual void setPingWarningVisible(bool visible) = 0;
    // Whether the window is on screen (a window minimised behind its
    // task-bar entry is not).
    virtual bool isShown() const { return false; }
    // The status text of the last received line; "" until one arrives.
    virtual std::string lastMsgText() const { return {}; }
    // The window's status line.
    virtual void setStatusText(const std::string& /*text*/) {}
};

// A remote-files window of one peer; its operations join with its window.
class FilesWindow {
  public:
    virtual ~FilesWindow() = default;
};

}  // namespace tornel
