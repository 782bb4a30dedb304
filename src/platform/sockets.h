#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QObject;
class QSocketNotifier;

// Non-blocking TCP sockets over POSIX, speaking in the Winsock error codes
// the transport's messages are built from (10035 would block, 10061
// connection refused, 11001 host not found, ...). Readiness reaches the UI
// thread through QSocketNotifier; host lookups run getaddrinfo on a worker
// thread and report back on the thread that started them.
namespace marlune::platform {

using SocketHandle = int;
inline constexpr SocketHandle kInvalidSocket = -1;

inline constexpr int kWsaEWouldBlock = 10035;
inline constexpr int kWsaENotConn = 10057;

// The Winsock code for an errno value. An errno value without a Winsock
// counterpart maps to 20000 + errno, outside the transport's table, so its
// text reads "Unknown Error No. 20005" and still names the cause.
int WinsockErrorFromErrno(int error);
// The Winsock code for a getaddrinfo result (EAI_*).
int WinsockErrorFromLookup(int eaiError);

// Result of a send or receive: the byte count, or -1 with a Winsock code.
struct SocketIo {
    std::ptrdiff_t count = 0;
    int error = 0;
};

// A non-blocking, close-on-exec IPv4 stream socket that sends small writes at
// once (TCP_NODELAY), or kInvalidSocket with the Winsock code in *error.
SocketHandle OpenStreamSocket(int* error);
// SO_LINGER on with a time of 0: closing resets the connection.
bool SetAbortiveClose(SocketHandle socket);
// 0, or the Winsock code of the failure.
int CloseSocketHandle(SocketHandle socket);
// Starts a connection to an IPv4 address (network order) and port. 0 when
// connected at once, 10035 while in progress, otherwise the failure's code.
int StartConnect(SocketHandle socket, std::uint32_t address, std::uint16_t port);
// The pending error of a socket (SO_ERROR) as a Winsock code, 0 for none.
int PendingSocketError(SocketHandle socket);
// Binds to address:port (port 0 picks one) and listens; 0 or the code.
int Listen(SocketHandle socket, std::uint32_t address, std::uint16_t port);
// The local port of a bound socket, 0 when unknown.
std::uint16_t LocalPort(SocketHandle socket);
// Accepts a waiting connection as a non-blocking socket.
SocketHandle AcceptConnection(SocketHandle listener, int* error);

// One send or receive; never raises SIGPIPE, never blocks.
SocketIo Send(SocketHandle socket, const char* data, std::size_t size);
SocketIo Receive(SocketHandle socket, char* data, std::size_t size, bool peek = false);
// Blocks until the socket can take more data or timeoutMs has passed.
bool WaitWritable(SocketHandle socket, int timeoutMs);

// The address a dotted IPv4 text names, in network order, as inet_addr reads
// it (so "1.2.3" and "0x7f.1" count too); nothing when it is no address.
std::optional<std::uint32_t> ParseDottedAddress(const std::string& text);

// Processes pending events; with wait, first sleeps until at least one event
// arrives (socket readiness, a timer, input), so a wait costs no processor
// time. The one place where the socket transport lets other handlers run.
void PumpEvents(bool wait);

// The notifications of one socket, in the manner of an asynchronous select:
// FdRead when data is waiting (raised again only after the next Receive,
// which calls Rearm), FdClose when the peer has closed, FdConnect when a
// connection attempt has ended, FdAccept when a connection waits on a
// listening socket. Delivered on the thread that created the object, from
// inside the event loop.
class AsyncSelect {
public:
    enum Event { FdRead, FdAccept, FdConnect, FdClose };
    // error is the Winsock code the event carries (0 for none).
    using Handler = std::function<void(Event event, int error)>;

    AsyncSelect(SocketHandle socket, Handler handler);
    ~AsyncSelect();
    AsyncSelect(const AsyncSelect&) = delete;
    AsyncSelect& operator=(const AsyncSelect&) = delete;

    // A connection attempt is under way: FdConnect follows when it ends.
    void ExpectConnect();
    // The socket is connected or listening: watch for data (or callers).
    void WatchIncoming(bool listening);
    // Data was taken from the socket: report the next arrival again.
    void Rearm();

private:
    void ReadReady();
    void WriteReady();
    void Dispatch(Event event, int error);

    SocketHandle socket_;
    Handler handler_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool dispatching_ = false;
    bool listening_ = false;
    bool watching_ = false;
    std::unique_ptr<QSocketNotifier> read_;
    std::unique_ptr<QSocketNotifier> write_;
};

// A host name lookup on a worker thread. The completion runs on the thread
// that created the object, from inside its event loop; a lookup still running
// when the object is destroyed, or when the next Start begins, is forgotten.
class HostLookup {
public:
    // address in network order, or error (a Winsock code) when none was found.
    using Done = std::function<void(std::uint32_t address, int error)>;

    explicit HostLookup(Done done);
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    void Start(const std::string& name);

private:
    struct Shared;
    void Finish(unsigned generation, std::uint32_t address, int error);

    Done done_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<QObject> receiver_;
    unsigned generation_ = 0;
};

} // namespace marlune::platform
