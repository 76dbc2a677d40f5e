#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "core/permissions/access_grants.h"

#include <QObject>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tornel::test {

// A confirmation prompt that a test answers: Allow stores the chosen grant
// exactly as the prompt's Allow button does.
class ScriptedConfirm : public QObject, public ConfirmPrompt {
  public:
    ScriptedConfirm(std::string id, std::string name, std::string text)
        : requestingID(std::move(id)), requestingName(std::move(name)), info(std::move(text)) {}

    void showPrompt() override { shown = true; }
    bool Decision() const override { return decision; }
    bool allowed() const override { return allow; }
    void answerGranted() override {
        decision = true;
        allow = true;
        answeredByGrant = true;
        answered();
    }
    void unload() override { unloaded = true; }

    void answerAllow(AppState& state, GrantChoice choice = GrantChoice::ThisTimeOnly) {
        recordGrant(state, requestingID, requestingName, choice);
        decision = true;
        allow = true;
        answered();
    }
    void answerDeny() {
        decision = true;
        answered();
    }

    const std::string requestingID;
    const std::string requestingName;
    const std::string info;
    bool shown = false;
    bool unloaded = false;
    bool decision = false;
    bool allow = false;
    bool answeredByGrant = false;
};

// Loads scripted prompts, keeps every one for the test to read and answer,
// and tells `onShown` of each new one (it runs inside the waiting request).
class ScriptedConfirms : public ConfirmPrompts {
  public:
    WindowRef<ConfirmPrompt> loadConfirm(const std::string& requestingID,
                                         const std::string& requestingName,
                                         const std::string& info) override {
        prompts.push_back(std::make_unique<ScriptedConfirm>(requestingID, requestingName, info));
        ScriptedConfirm* prompt = prompts.back().get();
        if (onLoad) {
            onLoad(*prompt);
        }
        return {prompt, prompt};
    }

    size_t count() const { return prompts.size(); }
    ScriptedConfirm& at(size_t index) { return *prompts.at(index); }

    std::vector<std::unique_ptr<ScriptedConfirm>> prompts;
    std::function<void(ScriptedConfirm&)> onLoad;
};

}  // namespace tornel::test
