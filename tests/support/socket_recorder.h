#pragma once

#include "platform/socket_control.h"
#include "support/wait.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tornel::test {

// Marks the stretch of a test that runs a control operation; no event may be
// raised inside it.
class InsideOperation {
  public:
    InsideOperation() { active() = true; }
    ~InsideOperation() { active() = false; }
    InsideOperation(const InsideOperation&) = delete;
    InsideOperation& operator=(const InsideOperation&) = delete;
    static bool& active() {
        static bool inside = false;
        return inside;
    }
};

// Records a control's events in order and reads every arrival.
class SocketRecorder : public platform::SocketEvents {
  public:
    std::vector<std::string> log;       // "Connect", "Data", "Close", "Error 10061", …
    std::string data;                   // every byte read on arrival, in order
    std::vector<std::string> arrivals;  // what each arrival read
    std::vector<int64_t> bytesTotals;   // what each arrival reported
    std::string errorText;
    int64_t progressTotal = 0;
    int64_t lastRemaining = -1;
    bool raisedInsideOperation = false;
    std::function<void(platform::SocketControl&, int64_t)> onRequest;
    std::function<void(platform::SocketControl&)> afterData;

    int count(const std::string& entry) const {
        int found = 0;
        for (const std::string& logged : log) {
            found += logged == entry ? 1 : 0;
        }
        return found;
    }

    void onConnect(platform::SocketControl&) override { note("Connect"); }
    void onConnectionRequest(platform::SocketControl& control, int64_t requestId) override {
        note("Request");
        if (onRequest) {
            onRequest(control, requestId);
        }
    }
    void onDataArrival(platform::SocketControl& control, int64_t bytesTotal) override {
        note("Data");
        bytesTotals.push_back(bytesTotal);
        const std::string bytes = control.getData();
        data += bytes;
        arrivals.push_back(bytes);
        if (afterData) {
            afterData(control);
        }
    }
    void onSendProgress(platform::SocketControl&, int64_t sent, int64_t remaining) override {
        note("Progress");
        progressTotal += sent;
        lastRemaining = remaining;
    }
    void onSendComplete(platform::SocketControl&) override { note("Complete"); }
    void onClose(platform::SocketControl&) override { note("Close"); }
    void onError(platform::SocketControl&, int number, const std::string& text) override {
        note("Error " + std::to_string(number));
        errorText = text;
    }

  private:
    void note(std::string entry) {
        raisedInsideOperation = raisedInsideOperation || InsideOperation::active();
        log.push_back(std::move(entry));
    }
};

// Bytes that show where each one belongs: a lost, doubled or reordered run
// changes the comparison.
inline std::string patternBytes(size_t size, size_t seed = 0) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + seed * 7 + i / 251) & 0xFF);
    }
    return bytes;
}

}  // namespace tornel::test
