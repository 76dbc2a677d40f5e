#pragma once

#include "platform/accept_limits.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Counts the connections the process's listeners accepted, by peer address,
// from their accept until their socket is gone (its descriptor closed), and
// keeps every listener from accepting while the count is at its bound.
class AcceptGate {
  public:
    static AcceptGate& instance();

    AcceptGate();
    ~AcceptGate();
    AcceptGate(const AcceptGate&) = delete;
    AcceptGate& operator=(const AcceptGate&) = delete;

    AcceptLimits limits() const;
    void setLimits(std::optional<AcceptLimits> limits);
    int64_t accepted() const { return accepted_; }

    // Whether the connection `socket` just accepted may stay; when it may,
    // it is counted until the socket is destroyed.
    bool admit(QTcpSocket& socket);

    // A listener the gate pauses and resumes; it leaves the gate when destroyed.
    void addListener(QTcpServer& listener);
    void removeListener(QTcpServer& listener);
    // The system refused a listener a descriptor: it pauses until a
    // connection closes, or for a short while at most.
    void listenerStarved(QTcpServer& listener);

  private:
    void release(const std::string& address);
    void updateListeners();
    bool atBound() const;

    std::optional<AcceptLimits> override_;
    std::map<std::string, int64_t> byAddress_;
    int64_t accepted_ = 0;
    bool paused_ = false;
    std::vector<QPointer<QTcpServer>> listeners_;
    std::vector<QPointer<QTcpServer>> starved_;  // paused for want of a descriptor
};

}  // namespace platform
