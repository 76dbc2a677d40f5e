#pragma once

#include "core/interfaces/prompt_answer.h"
#include "core/interfaces/window_ref.h"

#include <string>

namespace tornel {

// The access confirmation prompt of a node's file requests, as the access
// check drives it: it is loaded hidden and filled, shown, and read once it
// tells the user has answered (answered()). Answering "Allow" records the
// grant the user chose.
class ConfirmPrompt : public PromptAnswerNotice {
  public:
    virtual ~ConfirmPrompt() = default;

    // Places the prompt at the bottom right of the screen, 450 twips above
    // its lower edge (above the prompts already open there), and shows it,
    // not modal, above every other window.
    virtual void showPrompt() = 0;
    // Set once the user has answered (a prompt closed by its frame is a refusal).
    virtual bool Decision() const = 0;
    // The answer: true for Allow.
    virtual bool allowed() const = 0;
    // Answers Allow without storing a grant, and hides the prompt: a grant
    // made meanwhile admits the requests already.
    virtual void answerGranted() = 0;
    // Closes the prompt; it is deleted once no handler of it runs.
    virtual void unload() = 0;
};

// Loads the confirmation prompts. This base is a program without windows:
// it loads none, so every question goes unanswered and is refused.
class ConfirmPrompts {
  public:
    virtual ~ConfirmPrompts() = default;

    // A new hidden prompt for the requester `requestingID` named
    // `requestingName`, showing `info` as its request line.
    virtual WindowRef<ConfirmPrompt> loadConfirm(const std::string& /*requestingID*/,
                                                 const std::string& /*requestingName*/,
                                                 const std::string& /*info*/) {
        return {};
    }
};

}  // namespace tornel
