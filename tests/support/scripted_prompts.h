#pragma once

#include "core/interfaces/prompts.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tornel::test {

// Prompts that tests script: each message box takes the next queued answer
// (the base's "change nothing" answer once the queue is empty), each input
// box and dialog the next queued text; everything shown is recorded.
class ScriptedPrompts : public Prompts {
  public:
    struct Shown {
        std::string text;
        PromptButtons buttons;
        PromptIcon icon;
        std::string title;
    };

    std::deque<PromptAnswer> answers;
    std::deque<std::string> texts;
    std::vector<Shown> shown;
    // Where each folder picker opened.
    std::vector<std::string> startFolders;
    int beeps = 0;
    // Runs while a message box is "open", before it is answered.
    std::function<void()> whileOpen;

    PromptAnswer messageBox(const std::string& text, PromptButtons buttons, PromptIcon icon,
                            const std::string& title) override {
        shown.push_back({text, buttons, icon, title});
        if (whileOpen) {
            whileOpen();
        }
        if (answers.empty()) {
            return Prompts::messageBox(text, buttons, icon, title);
        }
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string&) override {
        shown.push_back({prompt, PromptButtons::OkCancel, PromptIcon::None, title});
        return nextText();
    }
    std::string browseFolder(const std::string&, const std::string& startFolder) override {
        startFolders.push_back(startFolder);
        return nextText();
    }
    std::string openFileName(const std::string&) override { return nextText(); }
    std::string saveFileName(const std::string&, const std::string&) override { return nextText(); }
    void beep() override { ++beeps; }

  private:
    std::string nextText() {
        if (texts.empty()) {
            return {};
        }
        std::string text = texts.front();
        texts.pop_front();
        return text;
    }
};

}  // namespace tornel::test
