#pragma once

#include "core/interfaces/confirm_prompt.h"
#include "core/interfaces/explore_tree.h"
#include "core/interfaces/incoming_prompt.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/shell.h"
#include "core/interfaces/tray_icon.h"

#include <memory>

namespace tornel {

// The windows as the core reaches them. Each part starts as its empty base
// (no windows, no tray, every prompt answered with "change nothing") and is
// replaced by the real one when the windows are installed.
struct UserInterface {
    std::shared_ptr<Prompts> prompts = std::make_shared<Prompts>();
    std::shared_ptr<Shell> shell = std::make_shared<Shell>();
    std::shared_ptr<TrayIcon> tray = std::make_shared<TrayIcon>();
    std::shared_ptr<ExploreTree> explore = std::make_shared<ExploreTree>();
    std::shared_ptr<IncomingPrompts> incoming = std::make_shared<IncomingPrompts>();
    std::shared_ptr<ConfirmPrompts> confirm = std::make_shared<ConfirmPrompts>();
};

}  // namespace tornel
