#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <cstdio>
#include <string>
#include <utility>

namespace tornel::test {

// A peer written from the wire format that connects to a node on loopback
// and never reads what comes back: its receive buffer is as small as the
// system allows. It may call procedures of the node as node `nodeID`.
class SilentCaller {
  public:
    SilentCaller(int port, std::string nodeID)
        : socket_(::socket(AF_INET, SOCK_STREAM, 0)), nodeID_(std::move(nodeID)) {
        const int smallest = 1;
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &smallest, sizeof(smallest));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        connected_ =
            ::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    ~SilentCaller() { ::close(socket_); }
    SilentCaller(const SilentCaller&) = delete;
    SilentCaller& operator=(const SilentCaller&) = delete;

    bool connected() const { return connected_; }

    // Calls `procedure` of `destination` under `reqID`, without parameters,
    // as a direct neighbour (no hops, not to be forwarded).
    bool call(const std::string& destination, const std::string& procedure,
              const std::string& reqID) {
        std::string packet = "RPC " + procedure + " QEL/2.1\r\n";
        for (const auto& [name, value] : {std::pair<const char*, std::string>{"ReqID", reqID},
                                          {"Destination", destination},
                                          {"Params", ""},
                                          {"Name", procedure},
                                          {"ID", packetID()},
                                          {"Source", nodeID_},
                                          {"TTL", "1"},
                                          {"Hops", "0"}}) {
            packet += std::string(name) + ": " + value + "\r\n";
        }
        packet += "\r\n";
        return ::send(socket_, packet.data(), packet.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(packet.size());
    }

  private:
    // Unique in the process, upper-case hexadecimal.
    static std::string packetID() {
        static unsigned long sent = 0;
        char id[40];
        std::snprintf(id, sizeof id, "5EED%08X%08lX", static_cast<unsigned>(::getpid()), ++sent);
        return id;
    }

    int socket_;
    std::string nodeID_;
    bool connected_ = false;
};

}  // namespace tornel::test
