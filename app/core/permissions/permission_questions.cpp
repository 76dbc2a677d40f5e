#include "core/permissions/permission_questions.h"

#include <algorithm>
#include <utility>

namespace tornel {

bool PermissionQuestions::isOpen(const Entry& entry) {
    if (entry.question != entry.serial) {
        return false;
    }
    // While the prompt is being made the question is open; once made it is
    // open until answered, and a prompt that is gone counts as answered.
    return !entry.promptSet || (entry.prompt && !entry.prompt->Decision());
}

const PermissionQuestions::Entry* PermissionQuestions::find(uint64_t serial) const {
    const auto found = std::ranges::find(waits_, serial, &Entry::serial);
    return found == waits_.end() ? nullptr : &*found;
}

PermissionQuestions::Entry* PermissionQuestions::find(uint64_t serial) {
    const auto found = std::ranges::find(waits_, serial, &Entry::serial);
    return found == waits_.end() ? nullptr : &*found;
}

const PermissionQuestions::Entry* PermissionQuestions::openQuestionOf(
    const std::string& nodeID) const {
    for (const Entry& entry : waits_) {
        if (entry.request.nodeID == nodeID && isOpen(entry)) {
            return &entry;
        }
    }
    return nullptr;
}

size_t PermissionQuestions::waitsOn(uint64_t question) const {
    return static_cast<size_t>(std::ranges::count(waits_, question, &Entry::question));
}

size_t PermissionQuestions::openQuestions() const {
    return static_cast<size_t>(std::ranges::count_if(waits_, &PermissionQuestions::isOpen));
}

PermissionQuestions::Place PermissionQuestions::placeFor(const Request& request) const {
    if (const Entry* open = openQuestionOf(request.nodeID)) {
        return waitsOn(open->serial) < kMaxWaitsPerNode ? Place::Join : Place::Refuse;
    }
    return openQuestions() < kMaxQuestions ? Place::Ask : Place::Refuse;
}

PermissionQuestions::Wait::Wait(PermissionQuestions& questions, Request request, Place place)
    : questions_(questions), serial_(++questions.nextSerial_), question_(serial_) {
    if (place == Place::Join) {
        if (const Entry* open = questions.openQuestionOf(request.nodeID)) {
            question_ = open->serial;
        }
    }
    questions_.waits_.push_back(Entry{serial_, std::move(request), question_, false, {}});
}

PermissionQuestions::Wait::~Wait() {
    std::erase_if(questions_.waits_,
                  [this](const Entry& entry) { return entry.serial == serial_; });
}

void PermissionQuestions::Wait::setPrompt(const WindowRef<ConfirmPrompt>& prompt) {
    if (Entry* own = questions_.find(serial_); own && asks()) {
        own->prompt = prompt;
        own->promptSet = true;
    }
}

std::optional<bool> PermissionQuestions::Wait::answer() const {
    const Entry* asking = questions_.find(question_);
    if (!asking) {
        return false;
    }
    if (!asking->promptSet) {
        return std::nullopt;
    }
    const ConfirmPrompt* prompt = asking->prompt.get();
    if (!prompt) {
        return false;
    }
    return prompt->Decision() ? std::optional<bool>(prompt->allowed()) : std::nullopt;
}

void PermissionQuestions::Wait::answerAsGranted() const {
    const Entry* asking = questions_.find(question_);
    ConfirmPrompt* prompt = asking ? asking->prompt.get() : nullptr;
    if (prompt && !prompt->Decision()) {
        prompt->answerGranted();
    }
}

void PermissionQuestions::Wait::unloadPrompt() const {
    const Entry* own = questions_.find(serial_);
    ConfirmPrompt* prompt = own && asks() ? own->prompt.get() : nullptr;
    if (prompt) {
        prompt->unload();
    }
}

}  // namespace tornel
