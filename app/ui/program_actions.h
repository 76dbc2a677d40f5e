#pragma once

#include "ui/views/core_actions.h"

namespace tornel {
struct AppState;
}

namespace tornel::ui {

// The core's operations as the windows call them in the running program.
class ProgramActions : public CoreActions {
  public:
    explicit ProgramActions(AppState& state) : state_(state) {}

    bool exploreCheck(bool force) override;
    void openChat(const std::string& nodeID) override;
    void shutDown(bool confirm) override;
    void pushFile(const qel::typNodeInfo& node) override;

  private:
    AppState& state_;
};

}  // namespace tornel::ui
