#pragma once

#include "ui/views/core_actions.h"

#include <string>
#include <vector>

namespace tornel::test {

// The core as the windows reach it, recording every call.
class RecordingCore : public ui::CoreActions {
  public:
    std::vector<bool> exploreChecks;
    std::vector<std::string> chats;
    std::vector<bool> shutDowns;
    std::vector<std::string> pushes;
    // What exploreCheck answers (whether a search started).
    bool searchStarts = true;

    bool exploreCheck(bool force) override {
        exploreChecks.push_back(force);
        return searchStarts;
    }
    void openChat(const std::string& nodeID) override { chats.push_back(nodeID); }
    void shutDown(bool confirm) override { shutDowns.push_back(confirm); }
    void pushFile(const qel::typNodeInfo& node) override { pushes.push_back(node.ID); }
};

}  // namespace tornel::test
