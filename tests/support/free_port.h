#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tornel::test {

// A port of 127.0.0.1 that no socket of `type` (SOCK_STREAM or SOCK_DGRAM)
// is bound to at the moment; 0 when none could be found.
inline int freePort(int type = SOCK_STREAM) {
    const int probe = ::socket(AF_INET, type, 0);
    if (probe < 0) {
        return 0;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    int port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(probe);
    return port;
}

}  // namespace tornel::test
