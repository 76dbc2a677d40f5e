#pragma once

#include "support/wait.h"

#include <QTcpSocket>
#include <QUuid>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tornel::test {

// A peer written from the wire format: one TCP connection to a node on
// loopback over which the test writes packets by hand, under any Source it
// likes, and which keeps every byte the node sends back.
class RawPeer {
  public:
    using Fields = std::vector<std::pair<std::string, std::string>>;

    explicit RawPeer(int64_t port) {
        QObject::connect(&socket_, &QIODevice::readyRead,
                         [this] { received_ += socket_.readAll().toStdString(); });
        socket_.connectToHost("127.0.0.1", static_cast<quint16>(port));
    }

    // Whether the connection is up in time.
    bool connected() {
        return waitUntil([this] { return socket_.state() == QAbstractSocket::ConnectedState; });
    }

    // A new identifier: 32 upper-case hexadecimal digits.
    static std::string newID() {
        return QUuid::createUuid().toString(QUuid::Id128).toUpper().toStdString();
    }

    // One packet as text: the method line, a new "ID", `fields` in order
    // (a "Source" among them), "TTL" 1 and "Hops" 0, so that it goes no
    // further than the node, and the body with its "Content-Length".
    static std::string packet(const std::string& method, const std::string& resource,
                              const Fields& fields, const std::string& body = {}) {
        std::string text = method + " " + resource + " QEL/2.1\r\nID: " + newID() + "\r\n";
        for (const auto& [name, value] : fields) {
            text += name + ": " + value + "\r\n";
        }
        text += "TTL: 1\r\nHops: 0\r\n";
        if (!body.empty()) {
            text += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        }
        return text + "\r\n" + body;
    }

    // Writes `bytes` (any number of packets) in one write.
    void write(const std::string& bytes) {
        socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
        socket_.flush();
    }

    // Everything the node has sent so far.
    const std::string& received() const { return received_; }

    // The header of one packet the node sent: its method and fields.
    struct Header {
        std::string method;
        std::map<std::string, std::string> fields;
        std::string field(const std::string& name) const {
            const auto found = fields.find(name);
            return found == fields.end() ? std::string() : found->second;
        }
    };

    // The headers of the whole packets received so far, in order (field
    // names as the node wrote them).
    std::vector<Header> headers() const {
        std::vector<Header> found;
        size_t at = 0;
        for (;;) {
            const size_t end = received_.find("\r\n\r\n", at);
            if (end == std::string::npos) {
                return found;
            }
            Header header;
            const std::string text = received_.substr(at, end - at);
            for (size_t line = 0; line <= text.size();) {
                const size_t next = std::min(text.find("\r\n", line), text.size());
                const std::string row = text.substr(line, next - line);
                line = next + 2;
                if (header.method.empty()) {
                    header.method = row.substr(0, row.find(' '));
                } else if (const size_t colon = row.find(": "); colon != std::string::npos) {
                    header.fields[row.substr(0, colon)] = row.substr(colon + 2);
                }
            }
            const std::string length = header.field("Content-Length");
            const size_t bodyEnd = end + 4 + (length.empty() ? 0 : std::stoul(length));
            if (bodyEnd > received_.size()) {
                return found;
            }
            found.push_back(std::move(header));
            at = bodyEnd;
        }
    }

  private:
    QTcpSocket socket_;
    std::string received_;
};

}  // namespace tornel::test
