#pragma once

#include <string>

namespace tornel {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { None, Information, Question, Exclamation, Critical };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// Every question the program puts to the user: message boxes, the one-line
// input box, file and folder dialogs and the beep. The windows install the
// real dialogs; tests install a scripted answerer. This base answers nothing
// and shows nothing: each box gets the answer that changes nothing (OK for a
// plain message, Cancel or No for a question), each dialog is cancelled.
class Prompts {
  public:
    virtual ~Prompts() = default;

    // A modal message box; a "\r" in `text` is shown as a line break.
    virtual PromptAnswer messageBox(const std::string& text, PromptButtons buttons, PromptIcon icon,
                                    const std::string& title);
    // A modal one-line input box; "" when cancelled.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText);
    // The folder the user picked, starting from `startFolder`, or "" when
    // cancelled.
    virtual std::string browseFolder(const std::string& title, const std::string& startFolder);
    // The file the user picked to open, or "" when cancelled.
    virtual std::string openFileName(const std::string& title);
    // The file the user picked to save to, or "" when cancelled.
    virtual std::string saveFileName(const std::string& title, const std::string& suggestedName);
    virtual void beep() {}
};

}  // namespace tornel
