#include "socket_errors.h"

#include "platform/socket_control.h"

#include <unordered_map>

namespace platform {

std::string socketErrorText(int number) {
    static const std::unordered_map<int, const char*> texts = {
        {sockerr::AccessDenied, "Permission denied"},
        {sockerr::InvalidArgument, "Invalid argument"},
        {sockerr::MessageTooBig, "The datagram is too large to fit into the buffer"},
        {sockerr::AddressInUse, "Address in use"},
        {sockerr::AddressNotAvailable, "Address not available from the local machine"},
        {sockerr::NetworkUnreachable, "The network cannot be reached from this host at this time"},
        {sockerr::ConnectionAborted, "Connection is aborted due to timeout or other failure"},
        {sockerr::ConnectionReset, "The connection is reset by remote side"},
        {sockerr::NoBufferSpace, "No buffer space is available"},
        {sockerr::TimedOut, "Attempt to connect timed out"},
        {sockerr::ConnectionRefused, "Connection is forcefully rejected"},
        {sockerr::HostUnreachable, "No route to host"},
        {sockerr::HostNotFound, "Authoritative answer: Host not found"},
        {sockerr::WrongState,
         "Wrong protocol or connection state for the requested transaction or request"},
    };
    const auto found = texts.find(number);
    return found != texts.end() ? found->second : errorText(number);
}

int socketErrorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError:
            return sockerr::ConnectionRefused;
        case QAbstractSocket::RemoteHostClosedError:
            return sockerr::ConnectionReset;
        case QAbstractSocket::HostNotFoundError:
            return sockerr::HostNotFound;
        case QAbstractSocket::SocketAccessError:
            return sockerr::AccessDenied;
        case QAbstractSocket::SocketResourceError:
            return sockerr::NoBufferSpace;
        case QAbstractSocket::SocketTimeoutError:
            return sockerr::TimedOut;
        case QAbstractSocket::DatagramTooLargeError:
            return sockerr::MessageTooBig;
        case QAbstractSocket::NetworkError:
            return sockerr::NetworkUnreachable;
        case QAbstractSocket::AddressInUseError:
            return sockerr::AddressInUse;
        case QAbstractSocket::SocketAddressNotAvailableError:
            return sockerr::AddressNotAvailable;
        default:
            return sockerr::ConnectionAborted;
    }
}

RuntimeError socketError(int number) {
    return RuntimeError(number, socketErrorText(number));
}

}  // namespace platform
