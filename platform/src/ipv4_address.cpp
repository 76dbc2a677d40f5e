#include "ipv4_address.h"

#include "platform/socket_control.h"
#include "socket_errors.h"

#include <QHostInfo>

namespace platform {

std::string dottedIPv4(const QHostAddress& address) {
    bool isIPv4 = false;
    const quint32 value = address.toIPv4Address(&isIPv4);
    return isIPv4 ? QHostAddress(value).toString().toStdString() : std::string();
}

std::optional<QHostAddress> parseIPv4(const std::string& text) {
    QHostAddress address;
    if (address.setAddress(QString::fromStdString(text)) &&
        address.protocol() == QAbstractSocket::IPv4Protocol) {
        return address;
    }
    return std::nullopt;
}

QHostAddress resolveIPv4(const std::string& host) {
    if (const auto literal = parseIPv4(host)) {
        return *literal;
    }
    const QHostInfo found = QHostInfo::fromName(QString::fromStdString(host));
    for (const QHostAddress& address : found.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            return address;
        }
    }
    throw socketError(sockerr::HostNotFound);
}

}  // namespace platform
