#include "platform/identity.h"

#include <QHostInfo>
#include <QNetworkInterface>

#include <QUuid>
#include <algorithm>

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>

namespace platform {
namespace {

std::optional<std::vector<InterfaceAddress>> addressOverride;

}  // namespace

Guid newGuid() {
    const QByteArray bytes = QUuid::createUuid().toRfc4122();
    Guid guid{};
    std::copy(bytes.begin(), bytes.end(), guid.begin());
    return guid;
}

std::string hostName() {
    return QHostInfo::localHostName().toStdString();
}

std::string userName() {
    std::vector<char> buffer(1024);
    passwd entry{};
    passwd* found = nullptr;
    for (;;) {
        const int rc = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
        if (rc != ERANGE || buffer.size() > (1U << 20)) {
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    if (found != nullptr && found->pw_name != nullptr) {
        return found->pw_name;
    }
    const char* fromEnvironment = std::getenv("USER");
    return fromEnvironment != nullptr ? fromEnvironment : "";
}

std::vector<InterfaceAddress> interfaceAddresses() {
    if (addressOverride) {
        return *addressOverride;
    }
    std::vector<InterfaceAddress> result;
    for (const QNetworkInterface& networkInterface : QNetworkInterface::allInterfaces()) {
        if (!networkInterface.flags().testFlag(QNetworkInterface::IsUp)) {
            continue;
        }
        const bool loopback = networkInterface.flags().testFlag(QNetworkInterface::IsLoopBack);
        for (const QNetworkAddressEntry& entry : networkInterface.addressEntries()) {
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                result.push_back({entry.ip().toString().toStdString(), loopback,
                                  std::max(entry.prefixLength(), 0)});
            }
        }
    }
    return result;
}

ScopedInterfaceAddresses::ScopedInterfaceAddresses(std::vector<InterfaceAddress> addresses) {
    addressOverride = std::move(addresses);
}

ScopedInterfaceAddresses::~ScopedInterfaceAddresses() {
    addressOverride.reset();
}

}  // namespace platform
