#pragma once

#include "core/interfaces/prompts.h"

namespace tornel {

// The prompts as the user sees them: Qt's message box, input dialog, file
// and folder dialogs and the system's beep, owned by the active window.
class DialogPrompts : public Prompts {
  public:
    PromptAnswer messageBox(const std::string& text, PromptButtons buttons, PromptIcon icon,
                            const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title,
                         const std::string& defaultText) override;
    std::string browseFolder(const std::string& title, const std::string& startFolder) override;
    std::string openFileName(const std::string& title) override;
    std::string saveFileName(const std::string& title, const std::string& suggestedName) override;
    void beep() override;
};

}  // namespace tornel
