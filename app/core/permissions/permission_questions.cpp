#include "core/permissions/permission_questions.h"

#include <utility>

namespace tornel {

WindowRef<ConfirmPrompt> PermissionQuestions::openPromptFor(const Request& request) const {
    for (const Entry& entry : waits_) {
        if (entry.request == request && entry.prompt && !entry.prompt->Decision()) {
            return entry.prompt;
        }
    }
    return {};
}

PermissionQuestions::Wait::Wait(PermissionQuestions& questions, Request request)
    : questions_(questions), serial_(++questions.nextSerial_) {
    questions_.waits_.push_back({serial_, std::move(request), {}});
}

PermissionQuestions::Wait::~Wait() {
    std::erase_if(questions_.waits_,
                  [this](const Entry& entry) { return entry.serial == serial_; });
}

void PermissionQuestions::Wait::setPrompt(const WindowRef<ConfirmPrompt>& prompt) {
    for (Entry& entry : questions_.waits_) {
        if (entry.serial == serial_) {
            entry.prompt = prompt;
        }
    }
}

}  // namespace tornel
