#include "ui/prompts/confirm_prompts.h"

#include "ui/controls/make_window.h"
#include "ui/prompts/confirm_prompt.h"

namespace tornel::ui {

ConfirmPromptLoader::ConfirmPromptLoader(AppState& state) : state_(state) {}

WindowRef<ConfirmPrompt> ConfirmPromptLoader::loadConfirm(const std::string& requestingID,
                                                          const std::string& requestingName,
                                                          const std::string& info) {
    frmConfirm* prompt = makeWindow<frmConfirm>(state_, screen);
    prompt->requestingID = requestingID;
    prompt->requestingName = requestingName;
    prompt->setInfo(info);
    return {prompt, prompt};
}

}  // namespace tornel::ui
