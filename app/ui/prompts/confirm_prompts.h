#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "ui/form/screen_info.h"

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// Loads a new access confirmation prompt (frmConfirm) for each request.
class ConfirmPromptLoader : public ConfirmPrompts {
  public:
    explicit ConfirmPromptLoader(AppState& state);

    WindowRef<ConfirmPrompt> loadConfirm(const std::string& requestingID,
                                         const std::string& requestingName,
                                         const std::string& info) override;

    // The screen the prompts are placed on.
    ScreenInfo screen;

  private:
    AppState& state_;
};

}  // namespace tornel::ui
