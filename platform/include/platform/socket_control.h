#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// The socket control the system was built around: one TCP or UDP endpoint
// with numbered states and events delivered from the event loop.
//
// Delivery rules:
//  1. Events are queued per control in arrival order and delivered from the
//     event loop, never inside an operation; state() changes when the event
//     that reports the change is delivered.
//  2. Delivery nests: while a handler of a control waits inside doEvents(),
//     later events of the same control are still delivered.
//  3. Each connect/accept/close starts a new generation; queued events of an
//     older generation are dropped.
//  4. close() is immediate (state Closed, element reusable at once); unsent
//     bytes still flush in the background.
//  5. accept(requestId) adopts a connection the listener holds back until its
//     ConnectionRequest handler returns; one not accepted by then is closed.
//  6. SendProgress reports each chunk handed to the system, SendComplete
//     follows once the write queue is empty; an empty write still completes.
//  7. IPv4 only, dotted text; ports outside 0-65535 are refused.
// An exception escaping a handler is caught and ignored.
namespace platform {

enum class SocketState : int {
    Closed = 0,
    Open = 1,  // UDP: bound
    Listening = 2,
    ConnectionPending = 3,
    Resolving = 4,
    HostResolved = 5,
    Connecting = 6,
    Connected = 7,
    PeerClosed = 8,  // the peer closed; we have not closed yet
    Error = 9,
};

enum class SocketProtocol : int { Tcp = 0, Udp = 1 };

// Error numbers of the socket layer; their texts come from socketErrorText().
namespace sockerr {
inline constexpr int AccessDenied = 10013;
inline constexpr int InvalidArgument = 10014;
inline constexpr int MessageTooBig = 10040;
inline constexpr int AddressInUse = 10048;
inline constexpr int AddressNotAvailable = 10049;
inline constexpr int NetworkUnreachable = 10051;
inline constexpr int ConnectionAborted = 10053;
inline constexpr int ConnectionReset = 10054;
inline constexpr int NoBufferSpace = 10055;
inline constexpr int TimedOut = 10060;
inline constexpr int ConnectionRefused = 10061;
inline constexpr int HostUnreachable = 10065;
inline constexpr int HostNotFound = 11001;
inline constexpr int WrongState = 40006;
inline constexpr int InvalidPort = 380;  // the runtime's "Invalid property value"
}  // namespace sockerr

// The text of a socket error number; numbers outside the socket table read
// as the runtime error of that number.
std::string socketErrorText(int number);

class SocketControl;

// Receives a control's events. Every method has an empty default.
class SocketEvents {
  public:
    virtual ~SocketEvents() = default;
    virtual void onConnect(SocketControl&) {}
    virtual void onConnectionRequest(SocketControl&, int64_t /*requestId*/) {}
    virtual void onDataArrival(SocketControl&, int64_t /*bytesTotal*/) {}
    virtual void onSendProgress(SocketControl&, int64_t /*bytesSent*/, int64_t /*bytesRemaining*/) {
    }
    virtual void onSendComplete(SocketControl&) {}
    virtual void onClose(SocketControl&) {}
    virtual void onError(SocketControl&, int /*number*/, const std::string& /*description*/) {}
};

// Operations that cannot run in the control's state, or with a bad argument,
// throw RuntimeError (numbers from sockerr); failures found later are reported
// by an Error event and state Error.
class SocketControl {
  public:
    // `events` is not owned and must outlive the control (or be reset first).
    explicit SocketControl(SocketEvents* events = nullptr, int index = 0);
    ~SocketControl();
    SocketControl(const SocketControl&) = delete;
    SocketControl& operator=(const SocketControl&) = delete;

    void setEvents(SocketEvents* events);
    int index() const;

    SocketState state() const;
    SocketProtocol protocol() const;
    void setProtocol(SocketProtocol protocol);  // only while closed

    std::string tag;

    int localPort() const;
    void setLocalPort(int port);  // 0-65535, else RuntimeError
    std::string remoteHost() const;
    void setRemoteHost(const std::string& host);
    int remotePort() const;
    void setRemotePort(int port);
    // The peer's address: on a connection, the other end; on a listener during
    // onConnectionRequest, the requesting peer; on UDP, the last datagram's sender.
    std::string remoteHostIP() const;

    // TCP, on a closed element: starts connecting, IPv4 only (Resolving or
    // Connecting; later a Connect event, or Error with state Error).
    void connect(const std::string& host, int port);
    // TCP: listens on localPort() (Listening at once, or RuntimeError AddressInUse).
    void listen();
    // TCP, on a closed element: adopts the pending connection `requestId` of a
    // listener (Connected at once, no Connect event; data already received and
    // a peer close follow as events). RuntimeError InvalidArgument when no
    // listener holds `requestId` (any more).
    void accept(int64_t requestId);
    // UDP, on a closed element: binds `port` (0 keeps localPort()); false when
    // the system refuses it.
    bool bind(int port = 0);
    // TCP, while Connected: queues `bytes` as one write (ConnectionAborted when
    // the peer has already gone). UDP: sends one datagram to
    // remoteHost():remotePort() (names are looked up as IPv4, broadcast
    // allowed); a closed element binds localPort() first.
    void sendData(const std::string& bytes);
    // The same for `header` followed by `body`, as one write: a stream hands
    // both to the system in one gathering call where nothing of it waits
    // already, so a packet need not be joined into one text first. What the
    // system does not take at once is copied: both may be reused as soon as
    // the call returns.
    void sendData(std::string_view header, std::string_view body);
    // TCP: every byte received and not yet taken (DataArrival's bytesTotal).
    // UDP: the datagram of the current DataArrival. Taken bytes are gone.
    std::string getData();
    // getData through the caller's buffer: `bytes` gets what getData would
    // give, and the control keeps the buffer `bytes` had (emptied) for the
    // next arrival, so a steady stream does not allocate afresh each time.
    void takeData(std::string& bytes);
    int64_t bytesReceived() const;
    // TCP: while paused, what the peer sends stays with the system, whose
    // window then holds the peer back; bytes read before stay for getData().
    // Resuming reads what waits and delivers a DataArrival, also when nothing
    // new came, so a handler that held bytes back may go on with them.
    void setReadPaused(bool paused);
    // Immediate: state Closed, queued events dropped, the element reusable;
    // unsent bytes still flush in the background.
    void close();

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

// The address every listener, UDP control and outgoing TCP connection binds
// to: "0.0.0.0" (any) by default; tests set a loopback address.
void setBindAddress(const std::string& ipv4);
std::string bindAddress();
// Whether the bind address is a loopback address. Such a process sends no
// datagram to any other address (a broadcast is dropped), so a program under
// test never reaches a real network.
bool boundToLoopback();

// A record of one UDP datagram sent by a control.
struct UdpSend {
    std::string host;
    int port = 0;
    std::string bytes;
};

// While alive, every UDP send is passed to `record`; with `suppress` it is not
// sent at all. Not nestable.
class ScopedUdpSendHook {
  public:
    ScopedUdpSendHook(std::function<void(const UdpSend&)> record, bool suppress);
    ~ScopedUdpSendHook();
    ScopedUdpSendHook(const ScopedUdpSendHook&) = delete;
    ScopedUdpSendHook& operator=(const ScopedUdpSendHook&) = delete;
};

}  // namespace platform
