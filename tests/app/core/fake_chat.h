#pragma once

#include "core/interfaces/chat_window.h"
#include "core/interfaces/window_ref.h"

#include <QObject>

#include <string>
#include <vector>

namespace tornel::test {

// A chat window that writes what it is told into a log that outlives it.
class FakeChat : public QObject, public ChatWindow {
  public:
    FakeChat(std::string peer, std::vector<std::string>& lines)
        : peer_(std::move(peer)), lines_(lines) {}
    std::string recipientID() const override { return peer_; }
    std::string recipientName() const override { return "name"; }
    void addMessage(const std::string& text, bool fromRemote) override {
        lines_.push_back(text + (fromRemote ? " (remote)" : ""));
    }
    bool isForeground() const override { return foreground; }
    bool isMinimised() const override { return minimised; }
    void flash() override { ++flashes; }
    bool pingWarningVisible() const override { return warning_; }
    void setPingWarningVisible(bool visible) override { warning_ = visible; }
    WindowRef<ChatWindow> ref() { return {this, this}; }

    std::string peer_;
    bool foreground = true;
    bool minimised = false;
    int flashes = 0;

  private:
    std::vector<std::string>& lines_;
    bool warning_ = false;
};

}  // namespace tornel::test
