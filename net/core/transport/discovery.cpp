#include "discovery.h"

#include "error_codes.h"
#include "error_log.h"
#include "guarded.h"
#include "library_state.h"
#include "local_address.h"
#include "numbers.h"
#include "session_wait.h"
#include "socket_host.h"

#include "platform/decimal.h"
#include "platform/event_loop.h"
#include "platform/identity.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qel {
namespace {

using platform::SocketControl;
using platform::SocketState;

constexpr int64_t AnswerPollMs = 10;
constexpr int SendRetries = 3;

// Decimal digits only, at most `maxDigits`, as a number from `lowest` to `highest`.
std::optional<int> smallNumber(std::string_view text, size_t maxDigits, int highest,
                               int lowest = 0) {
    if (text.empty() || text.size() > maxDigits || text[0] < '0' || text[0] > '9') {
        return std::nullopt;
    }
    const platform::Decimal number = platform::parseDecimal(text);
    if (!number.ok() || number.value < lowest || number.value > highest) {
        return std::nullopt;
    }
    return static_cast<int>(number.value);
}

// Dotted IPv4 text as its 32-bit number.
std::optional<uint32_t> ipv4Number(std::string_view text) {
    uint32_t number = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = text.find('.');
        const bool last = part == 3;
        const std::optional<int> byte = smallNumber(text.substr(0, dot), 3, 255);
        if (last != (dot == std::string_view::npos) || !byte) {
            return std::nullopt;
        }
        number = number << 8 | static_cast<uint32_t>(*byte);
        text = last ? std::string_view() : text.substr(dot + 1);
    }
    return number;
}

// The networks of this machine's interfaces, and loopback: the only places a
// DISCOVER is answered, so a datagram cannot turn the node against others.
class OwnNetworks {
  public:
    OwnNetworks() {
        networks_.push_back({0x7F000000U, 0xFF000000U});  // 127.0.0.0/8
        for (const platform::InterfaceAddress& address : platform::interfaceAddresses()) {
            const std::optional<uint32_t> ip = ipv4Number(address.ip);
            const int prefix = std::clamp(address.prefixLength, 0, 32);
            const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
            if (ip) {
                networks_.push_back({*ip & mask, mask});
            }
        }
    }

    bool contains(std::string_view ip) const {
        const std::optional<uint32_t> number = ipv4Number(ip);
        return number && std::any_of(networks_.begin(), networks_.end(), [&](const Network& n) {
                   return (*number & n.mask) == n.base;
               });
    }

  private:
    struct Network {
        uint32_t base;
        uint32_t mask;
    };
    std::vector<Network> networks_;
};

// At most DiscoverAnswersPerSecond answers in any one second of the tick count.
bool answerAllowed(Session& own, int64_t now) {
    if (now - own.udpAnswerSecondStart >= 1000) {
        own.udpAnswerSecondStart = now;
        own.udpAnswersThisSecond = 0;
    }
    if (own.udpAnswersThisSecond >= DiscoverAnswersPerSecond) {
        return false;
    }
    ++own.udpAnswersThisSecond;
    return true;
}

// The TCP address a DISCOVER record advertises: a dotted IPv4 address, ":"
// and a port 1-65535; "" for anything else.
std::string advertisedAddress(std::string_view record) {
    const std::string suffix = " " + library().protocolVersion;
    if (!record.starts_with(DiscoverKeyword) || !record.ends_with(suffix) ||
        record.size() < DiscoverKeyword.size() + suffix.size()) {
        return {};
    }
    const std::string_view address = trimBlanks(record.substr(
        DiscoverKeyword.size(), record.size() - DiscoverKeyword.size() - suffix.size()));
    const size_t colon = address.rfind(':');
    if (colon == std::string_view::npos || !ipv4Number(address.substr(0, colon)) ||
        !smallNumber(address.substr(colon + 1), 5, 65535, 1)) {
        return {};
    }
    return std::string(address);
}

bool usedBySomeSession(int index) {
    const std::vector<SessionPtr> sessions = library().sessions.snapshot();
    return std::any_of(sessions.begin(), sessions.end(),
                       [index](const SessionPtr& s) { return s->udpIndex == index; });
}

// A closed element that no session holds, else a new one; element 0 is never used.
SocketControl& idleUdpElement(SocketHost& host) {
    for (size_t index = 1; index < host.sckUDP.count(); ++index) {
        SocketControl& element = host.sckUDP[index];
        if (element.state() == SocketState::Closed && !usedBySomeSession(element.index())) {
            return element;
        }
    }
    return host.loadUdpElement();
}

// The session whose UDP socket is element `index`: the current one first.
SessionPtr sessionOfUdpElement(int index) {
    const SessionPtr& current = currentSession();
    if (current && current->udpIndex == index) {
        return current;
    }
    for (const SessionPtr& session : library().sessions.snapshot()) {
        if (session->udpIndex == index) {
            return session;
        }
    }
    return nullptr;
}

// The records ended in the datagram, in order. What follows the last end is
// kept for the sender's next datagram when it can still become a record (it
// starts like one and is short); a datagram that starts a record of its own
// drops what was kept, and so does one from another sender.
std::vector<std::string> takeRecords(Session& own, const std::string& sender,
                                     const std::string& datagram) {
    std::string text;
    if (own.udpBufferFrom == sender && !datagram.starts_with(DiscoverKeyword)) {
        text = std::move(own.udpBuffer);
    }
    text += datagram;
    own.udpBuffer.clear();
    own.udpBufferFrom.clear();

    std::vector<std::string> records;
    size_t start = 0;
    for (size_t end = text.find(DiscoverRecordEnd); end != std::string::npos;
         end = text.find(DiscoverRecordEnd, start)) {
        records.push_back(text.substr(start, end - start));
        start = end + DiscoverRecordEnd.size();
    }
    std::string rest = text.substr(start);
    const bool startsLikeRecord =
        rest.starts_with(DiscoverKeyword) || DiscoverKeyword.starts_with(rest);
    if (!rest.empty() && startsLikeRecord && rest.size() <= MaxDiscoverRemainder) {
        own.udpBuffer = std::move(rest);
        own.udpBufferFrom = sender;
    }
    return records;
}

// Records the sender a DISCOVER advertises and answers it, unless it was
// answered a moment ago, lies outside this machine's networks or the answers
// of this second are spent.
void takeInRecord(Session& own, const std::string& record, const OwnNetworks& networks) {
    const std::string address = advertisedAddress(record);
    if (address.empty()) {
        return;
    }
    if (own.discovered.empty()) {
        own.discovered.assign(1, std::string());
    }
    const int64_t now = platform::tickCount();
    const auto known = std::find(own.discovered.begin() + 1, own.discovered.end(), address);
    if (known != own.discovered.end()) {
        const auto answered = own.udpAnsweredAt.find(address);
        if (answered != own.udpAnsweredAt.end() && now - answered->second < DiscoverReanswerMs) {
            return;
        }
    } else if (own.discovered.size() > MaxDiscoveredNodes) {
        return;
    } else {
        own.discovered.push_back(address);
    }
    const std::string ip = address.substr(0, address.rfind(':'));
    if (!networks.contains(ip) || !answerAllowed(own, now)) {
        return;
    }
    own.udpAnsweredAt[address] = now;
    sendDiscover(ip);
}

// The search's result: "" and then the addresses heard, the node's own one
// only when it sees itself.
StringArray discoveredNodes(const Session& own, const std::string& ownIP) {
    const std::string self = ownIP + ":" + std::to_string(own.listenPort);
    StringArray result{""};
    for (size_t i = 1; i < own.discovered.size(); ++i) {
        if (own.seeSelf || own.discovered[i] != self) {
            result.push_back(own.discovered[i]);
        }
    }
    return result;
}

// Sends to one address, or to addresses 1-254 of a three-part range but the
// node's own, then collects the answers for `timeoutMs`.
StringArray discoverRange(const std::string& range, int64_t timeoutMs, bool single) {
    const SessionPtr own = requireCurrentSession();
    const std::string ownIP = getLocalIP();
    if (single) {
        sendDiscover(range);
    } else {
        for (int i = 1; i <= 254 && switchSession(own); ++i) {
            const std::string address = range + "." + std::to_string(i);
            if (address != ownIP) {
                sendDiscover(address);
            }
        }
    }
    if (!waitInSession(own, timeoutMs, AnswerPollMs, [] { return false; })) {
        return {""};
    }
    return discoveredNodes(*own, ownIP);
}

// One attempt; false when it failed. Sends nothing when the session has no
// UDP socket (any more).
bool sendDiscoverOnce(const Session& own, const std::string& address) {
    try {
        SocketHost& host = socketHost();
        const auto index = static_cast<size_t>(own.udpIndex);
        if (index == 0 || !host.sckUDP.contains(index)) {
            return true;
        }
        SocketControl& element = host.sckUDP[index];
        element.setRemoteHost(address);
        element.setRemotePort(own.udpPort);
        element.sendData(discoverDatagram(getLocalIP(), own.listenPort));
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

std::string discoverDatagram(std::string_view ownIP, int32_t listenPort) {
    std::string datagram(DiscoverKeyword);
    datagram.append(ownIP).append(":").append(std::to_string(listenPort)).append(" ");
    datagram.append(library().protocolVersion).append(DiscoverRecordEnd);
    return datagram;
}

bool startUDP() {
    return guarded("", false, [] {
        const SessionPtr own = requireCurrentSession();
        if (own->udpIndex != 0) {
            return false;
        }
        SocketControl& element = idleUdpElement(socketHost());
        if (!element.bind(own->udpPort)) {
            return false;
        }
        own->udpIndex = element.index();
        return true;
    });
}

void stopUDP(Session& session) {
    guarded("", [&session] {
        const int index = std::exchange(session.udpIndex, 0);
        session.udpPort = 0;
        session.udpBuffer.clear();
        session.udpBufferFrom.clear();
        SocketHost& host = socketHost();
        if (index > 0 && host.sckUDP.contains(static_cast<size_t>(index))) {
            host.sckUDP[static_cast<size_t>(index)].close();
        }
    });
}

StringArray discoverNodes(int64_t timeoutMs, std::string range) {
    const SessionPtr own = requireCurrentSession();
    own->discovered.assign(1, std::string());
    own->udpAnsweredAt.clear();
    if (own->udpPort == 0 || own->udpIndex == 0) {
        logError(code::NotListeningForUdp, "Session not listening for UDP replies",
                 "discoverNodes");
        return {""};
    }
    if (range.empty()) {
        range = "255.255.255.255";
    } else if (range.ends_with('.')) {
        logError(code::RangeEndsWithPeriod, "Cannot end an IP range with a period",
                 "discoverNodes");
        return {};
    }
    switch (std::count(range.begin(), range.end(), '.') + 1) {
        case 2: {
            StringArray result{""};
            for (int i = 1; i <= 255 && switchSession(own); ++i) {
                result = discoverRange(range + "." + std::to_string(i), timeoutMs, false);
            }
            return result;
        }
        case 3:
            return discoverRange(range, timeoutMs, false);
        case 4:
            return discoverRange(range, timeoutMs, true);
        default:
            logError(code::RangeTooLarge, "Invalid IP or range too large to scan", "discoverNodes");
            return {};
    }
}

void sendDiscover(const std::string& address) {
    guarded("", [&address] {
        const SessionPtr own = requireCurrentSession();
        for (int attempt = 0;; ++attempt) {
            if (sendDiscoverOnce(*own, address) || attempt == SendRetries) {
                return;
            }
            platform::doEvents();
            if (!switchSession(own)) {
                return;
            }
        }
    });
}

void udpDataArrival(int index, const std::string& datagram) {
    if (datagram.empty()) {
        return;
    }
    const SessionPtr own = sessionOfUdpElement(index);
    if (!own) {
        return;
    }
    CurrentSessionGuard restore;
    if (!restore.switchTo(own)) {
        return;
    }
    const std::string sender = socketHost().sckUDP[static_cast<size_t>(index)].remoteHostIP();
    const std::vector<std::string> records = takeRecords(*own, sender, datagram);
    if (records.empty()) {
        return;
    }
    const OwnNetworks networks;
    for (const std::string& record : records) {
        if (!restore.switchTo(own)) {
            return;  // an answer let events run, and the node has gone
        }
        takeInRecord(*own, record, networks);
    }
}

}  // namespace qel
