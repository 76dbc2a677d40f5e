#pragma once

#include "platform/ascii.h"
#include "platform/event_loop.h"
#include "support/wait.h"

#include <QObject>
#include <QTcpSocket>
#include <QUuid>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tornel::test {

using WireFields = std::vector<std::pair<std::string, std::string>>;

// One packet as it travels: "METHOD resource QEL/2.1", CR LF, a line
// "Name: value" per field, a blank line, then "Content-Length" bytes of body.
struct WirePacket {
    std::string method;
    std::string resource;
    WireFields fields;
    std::string body;
    int64_t arrivedAt = 0;  // tick count

    // The value of the first field of that name (any case); "" when absent.
    std::string field(std::string_view name) const {
        for (const auto& [fieldName, value] : fields) {
            if (platform::asciiEqualsIgnoreCase(fieldName, name)) {
                return value;
            }
        }
        return {};
    }
};

// The text of a packet, with "Content-Length" when it has a body.
inline std::string wireText(const std::string& method, const std::string& resource,
                            const WireFields& fields, const std::string& body = {}) {
    std::string escaped;
    for (const char c : resource) {
        escaped += c == ' ' ? std::string("%20") : std::string(1, c);
    }
    std::string text = method + " " + escaped + " QEL/2.1\r\n";
    for (const auto& [name, value] : fields) {
        text += name + ": " + value + "\r\n";
    }
    if (!body.empty()) {
        text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    return text + "\r\n" + body;
}

// A settings text of one section: "<Settings>", the section with one
// "<key>value</key>" line per entry, "</Settings>", lines joined by CR LF.
inline std::string settingsBody(const std::string& section, const WireFields& entries) {
    std::string text = "<Settings>\r\n  <" + section + ">";
    for (const auto& [key, value] : entries) {
        text += "\r\n    <" + key + ">" + value + "</" + key + ">";
    }
    return text + "\r\n  </" + section + ">\r\n</Settings>";
}

// A peer on loopback written from the wire format alone: it connects to a
// node, writes the packets a test builds and reads back every packet the
// node sends it, in order. It never answers anything by itself.
class RawPeer {
  public:
    explicit RawPeer(std::string nodeID = "RAW-PEER") : nodeID(std::move(nodeID)) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { readArrived(); });
    }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    // Connects to the node listening on `port` of 127.0.0.1; whether it did in time.
    bool connect(int port, int64_t timeoutMs = 5000) {
        socket_.connectToHost("127.0.0.1", static_cast<quint16>(port));
        return waitUntil([this] { return socket_.state() == QAbstractSocket::ConnectedState; },
                         timeoutMs);
    }
    bool isConnected() const { return socket_.state() == QAbstractSocket::ConnectedState; }

    // A packet of this peer to `destination` that the node handles: a new
    // "ID", this peer as "Source" (unless `fields` names one), a TTL of 1
    // so that it goes no further, and "Hops" 0.
    std::string packet(const std::string& method, const std::string& destination,
                       WireFields fields = {}, const std::string& body = {},
                       const std::string& resource = {}) {
        WireFields all = {{"ID", nodeID + "-" + std::to_string(++sent_)},
                          {"Destination", destination},
                          {"TTL", "1"},
                          {"Hops", "0"}};
        bool sourceGiven = false;
        for (const auto& field : fields) {
            sourceGiven = sourceGiven || platform::asciiEqualsIgnoreCase(field.first, "Source");
        }
        if (!sourceGiven) {
            all.emplace_back("Source", nodeID);
        }
        all.insert(all.end(), fields.begin(), fields.end());
        return wireText(method, resource, all, body);
    }

    // A new identifier of the kind nodes make: 32 upper-case hexadecimal digits.
    static std::string newID() {
        return QUuid::createUuid().toString(QUuid::Id128).toUpper().toStdString();
    }

    void send(const std::string& text) {
        socket_.write(text.data(), static_cast<qint64>(text.size()));
    }
    bool written() const { return socket_.bytesToWrite() == 0; }

    // The packets the node sent, in arrival order; of a longer body only
    // the first `keptBodyBytes` bytes are kept.
    std::vector<WirePacket> received;
    size_t keptBodyBytes = static_cast<size_t>(-1);

    int count(std::string_view method) const {
        int found = 0;
        for (const WirePacket& p : received) {
            found += p.method == method ? 1 : 0;
        }
        return found;
    }
    // The first packet of `method` whose "ReqID" is `reqID`, or null.
    const WirePacket* answer(std::string_view method, std::string_view reqID) const {
        for (const WirePacket& p : received) {
            if (p.method == method && p.field("ReqID") == reqID) {
                return &p;
            }
        }
        return nullptr;
    }

    const std::string nodeID;

  private:
    void readArrived() {
        const QByteArray bytes = socket_.readAll();
        buffer_.append(bytes.constData(), static_cast<size_t>(bytes.size()));
        while (cutOne()) {
        }
    }

    // Cuts the next whole packet off the buffer; false when none is whole.
    bool cutOne() {
        const size_t headerEnd = buffer_.find("\r\n\r\n");
        if (headerEnd == std::string::npos) {
            return false;
        }
        WirePacket packet;
        const std::string header = buffer_.substr(0, headerEnd + 2);
        size_t lineEnd = header.find("\r\n");
        const std::string methodLine = header.substr(0, lineEnd);
        const size_t space = methodLine.find(' ');
        packet.method = methodLine.substr(0, space);
        if (space != std::string::npos) {
            const size_t second = methodLine.find(' ', space + 1);
            packet.resource = methodLine.substr(space + 1, second - space - 1);
        }
        for (size_t start = lineEnd + 2; start < header.size(); start = lineEnd + 2) {
            lineEnd = header.find("\r\n", start);
            const std::string line = header.substr(start, lineEnd - start);
            const size_t colon = line.find(": ");
            packet.fields.emplace_back(line.substr(0, colon),
                                       colon == std::string::npos ? "" : line.substr(colon + 2));
        }
        const std::string length = packet.field("Content-Length");
        const size_t bodyLength = length.empty() ? 0 : std::stoul(length);
        if (buffer_.size() < headerEnd + 4 + bodyLength) {
            return false;
        }
        packet.body = buffer_.substr(headerEnd + 4, std::min(bodyLength, keptBodyBytes));
        buffer_.erase(0, headerEnd + 4 + bodyLength);
        packet.arrivedAt = platform::tickCount();
        received.push_back(std::move(packet));
        return true;
    }

    QTcpSocket socket_;
    std::string buffer_;
    int64_t sent_ = 0;
};

}  // namespace tornel::test
