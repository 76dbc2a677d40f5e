#include "accept_gate.h"

#include "ipv4_address.h"

#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <utility>

namespace platform {
namespace {

// Descriptors kept for files, outgoing connections and the rest of the
// process: a quarter of the limit, and never fewer than this.
constexpr int64_t MinReservedDescriptors = 64;
// However high the descriptor limit, a desktop node has no use for more.
constexpr int64_t MostAccepted = 4096;
// One address may hold this share of the bound.
constexpr int64_t AddressShare = 8;
// What a listener holds accepted before it hands connections on: Qt's default.
constexpr int DefaultPendingConnections = 30;
// A listener refused a descriptor tries again after this at the latest.
constexpr int StarvedRetryMs = 1000;

int64_t descriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return MostAccepted * 2;
    }
    return static_cast<int64_t>(limit.rlim_cur);
}

void pause(QTcpServer& listener) {
    // Qt looks at the pending bound before each accept, so a listener woken
    // meanwhile takes nothing more and leaves the rest to the system's queue.
    listener.setMaxPendingConnections(0);
    listener.pauseAccepting();
}

void resume(QTcpServer& listener) {
    listener.setMaxPendingConnections(DefaultPendingConnections);
    listener.resumeAccepting();
}

}  // namespace

AcceptLimits acceptLimitsFor(int64_t descriptors) {
    const int64_t reserved = std::max(MinReservedDescriptors, descriptors / 4);
    const int64_t total = std::clamp<int64_t>(descriptors - reserved, 1, MostAccepted);
    return {total, std::max<int64_t>(1, total / AddressShare)};
}

AcceptLimits acceptLimits() {
    return AcceptGate::instance().limits();
}

void setAcceptLimits(std::optional<AcceptLimits> limits) {
    AcceptGate::instance().setLimits(limits);
}

int64_t acceptedConnections() {
    return AcceptGate::instance().accepted();
}

AcceptGate& AcceptGate::instance() {
    static AcceptGate gate;
    return gate;
}

AcceptGate::AcceptGate() = default;
AcceptGate::~AcceptGate() = default;

AcceptLimits AcceptGate::limits() const {
    return override_ ? *override_ : acceptLimitsFor(descriptorLimit());
}

void AcceptGate::setLimits(std::optional<AcceptLimits> limits) {
    override_ = limits;
    updateListeners();
}

bool AcceptGate::atBound() const {
    return accepted_ >= limits().total;
}

bool AcceptGate::admit(QTcpSocket& socket) {
    const AcceptLimits bounds = limits();
    std::string address = dottedIPv4(socket.peerAddress());
    int64_t& fromAddress = byAddress_[address];
    if (accepted_ >= bounds.total || fromAddress >= bounds.perAddress) {
        if (fromAddress == 0) {
            byAddress_.erase(address);
        }
        updateListeners();
        return false;
    }
    ++fromAddress;
    ++accepted_;
    QObject::connect(&socket, &QObject::destroyed,
                     [address = std::move(address)] { AcceptGate::instance().release(address); });
    updateListeners();
    return true;
}

void AcceptGate::release(const std::string& address) {
    const auto found = byAddress_.find(address);
    if (found != byAddress_.end() && --found->second <= 0) {
        byAddress_.erase(found);
    }
    --accepted_;
    updateListeners();
    if (!paused_) {
        for (const QPointer<QTcpServer>& listener : std::exchange(starved_, {})) {
            if (!listener.isNull()) {
                resume(*listener);
            }
        }
    }
}

void AcceptGate::addListener(QTcpServer& listener) {
    listeners_.emplace_back(&listener);
    if (paused_) {
        pause(listener);
    }
}

void AcceptGate::removeListener(QTcpServer& listener) {
    const auto gone = [&listener](const QPointer<QTcpServer>& held) {
        return held.isNull() || held.data() == &listener;
    };
    std::erase_if(listeners_, gone);
    std::erase_if(starved_, gone);
}

void AcceptGate::listenerStarved(QTcpServer& listener) {
    pause(listener);
    starved_.emplace_back(&listener);
    // Resumed by the next close, or by this, whichever comes first.
    QTimer::singleShot(StarvedRetryMs, &listener, [this, &listener] {
        const auto starved = std::find(starved_.begin(), starved_.end(), &listener);
        if (starved == starved_.end()) {
            return;
        }
        starved_.erase(starved);
        if (!paused_) {
            resume(listener);
        }
    });
}

// Pauses every listener on reaching the bound, and resumes them all once
// below it again.
void AcceptGate::updateListeners() {
    const bool pausing = atBound();
    if (pausing == paused_) {
        return;
    }
    paused_ = pausing;
    for (const QPointer<QTcpServer>& listener : listeners_) {
        if (listener.isNull()) {
            continue;
        }
        if (pausing) {
            pause(*listener);
        } else {
            resume(*listener);
        }
    }
}

}  // namespace platform
