#pragma once

#include "core/interfaces/prompt_answer.h"
#include "core/interfaces/window_ref.h"

#include <string>

namespace tornel {

// The prompt that asks the user whether to take a file another user offers.
// The offer's handler fills it, shows it and parks the offer; the prompt
// records the answer and tells it (answered()), and the offer is answered
// from there.
class IncomingPrompt : public PromptAnswerNotice {
  public:
    virtual ~IncomingPrompt() = default;

    // Who offers the file (lblInfo), its name (lblName) and its size (lblSize).
    virtual void setInfo(const std::string& text) = 0;
    virtual void setNameText(const std::string& text) = 0;
    virtual void setSizeText(const std::string& text) = 0;
    // The offered name as the peer sent it; Accept saves under its last component.
    virtual void setFileName(const std::string& name) = 0;
    // Shows the prompt at the bottom right of the screen, on top, not modal.
    virtual void showPlaced() = 0;
    // Whether the user has answered, and the full local path to save to ("" when refused).
    virtual bool Decision() const = 0;
    virtual std::string savePath() const = 0;
    // Closes the prompt for good.
    virtual void unload() = 0;
};

// Makes the prompts. This base has no windows: it makes none, and the offer
// is refused.
class IncomingPrompts {
  public:
    virtual ~IncomingPrompts() = default;

    // A new prompt, loaded and hidden.
    virtual WindowRef<IncomingPrompt> newPrompt() { return {}; }
};

}  // namespace tornel
