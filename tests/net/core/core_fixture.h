#pragma once

#include "error_log.h"
#include "library_state.h"
#include "packet.h"
#include "session.h"
#include "wire_error.h"

#include "qellib/events.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace qel::test {

// Records every Error event of one node.
class ErrorRecorder : public cQELEvents {
  public:
    void Error(std::string& strMessage, std::string& nodeID) override {
        errors.push_back(strMessage);
        nodeIDs.push_back(nodeID);
    }
    std::vector<std::string> errors;
    std::vector<std::string> nodeIDs;
};

// Each field of the packet as "Name: value", in order.
inline std::vector<std::string> fieldTexts(const clsPacket& packet) {
    std::vector<std::string> texts;
    for (const clsField& field : packet.Fields) {
        texts.push_back(field.Name + ": " + field.Data);
    }
    return texts;
}

// The error line a returned error is reported with; "" for a success.
inline std::string reportedLine(const WireStatus& status) {
    return status ? std::string()
                  : errorLine(status.error().number, status.error().description, {});
}

// A fresh, initialised library for each test.
class CoreTest : public ::testing::Test {
  protected:
    CoreTest() { initLibrary(); }

    // A new session owned by a new recorder; it becomes current.
    SessionPtr addNode() {
        recorders.push_back(std::make_shared<ErrorRecorder>());
        return appendSession(recorders.back());
    }

    // One node, current, whose errors the tests read.
    std::vector<std::string>& errorsOfNode() {
        if (recorders.empty()) {
            addNode();
        }
        return recorders.front()->errors;
    }

    ScopedLibraryState state;
    std::vector<std::shared_ptr<ErrorRecorder>> recorders;
};

}  // namespace qel::test
