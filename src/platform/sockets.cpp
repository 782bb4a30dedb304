#include "platform/sockets.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace marlune::platform {
namespace {

struct ErrnoCode {
    int error;
    int code;
};

// errno values and the Winsock codes of the same meaning.
constexpr ErrnoCode kErrnoCodes[] = {
    {EINTR, 10004},           {EBADF, 10009},           {EACCES, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},          {EMFILE, 10024},
    {ENFILE, 10024},          {EAGAIN, 10035},          {EINPROGRESS, 10036},
    {EALREADY, 10037},        {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},        {ENETUNREACH, 10051},
    {ENETRESET, 10052},       {ECONNABORTED, 10053},    {ECONNRESET, 10054},
    {ENOBUFS, 10055},         {ENOMEM, 10055},          {EISCONN, 10056},
    {ENOTCONN, 10057},        {ESHUTDOWN, 10058},       {EPIPE, 10058},
    {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},
    {ELOOP, 10062},           {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},       {EUSERS, 10068},
    {EDQUOT, 10069},          {ESTALE, 10070},          {EREMOTE, 10071},
};

int LastError()
{
    return WinsockErrorFromErrno(errno);
}

sockaddr_in MakeAddress(std::uint32_t address, std::uint16_t port)
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    sa.sin_port = htons(port);
    return sa;
}

} // namespace

int WinsockErrorFromErrno(int error)
{
    if (error == EWOULDBLOCK) {
        return kWsaEWouldBlock;
    }
    for (const ErrnoCode& entry : kErrnoCodes) {
        if (entry.error == error) {
            return entry.code;
        }
    }
    return 20000 + error;
}

int WinsockErrorFromLookup(int eaiError)
{
    switch (eaiError) {
    case 0:
        return 0;
    case EAI_NONAME:
        return 11001;
    case EAI_AGAIN:
        return 11002;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return 11004;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return 11004;
#endif
    case EAI_SYSTEM:
        return LastError();
    default:
        return 11003;
    }
}

SocketHandle OpenStreamSocket(int* error)
{
    const SocketHandle s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (error) {
        *error = s < 0 ? LastError() : 0;
    }
    if (s < 0) {
        return kInvalidSocket;
    }
    // Requests go out in a few small writes (the lines, then the empty line);
    // held back until the server acknowledges the first, each request would
    // wait for the server's delayed acknowledgement.
    const int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return s;
}

bool SetAbortiveClose(SocketHandle socket)
{
    const linger value{1, 0};
    return ::setsockopt(socket, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0;
}

int CloseSocketHandle(SocketHandle socket)
{
    // Linux releases the descriptor even when close reports EINTR.
    if (::close(socket) != 0 && errno != EINTR) {
        return LastError();
    }
    return 0;
}

int StartConnect(SocketHandle socket, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) {
        return 0;
    }
    // A non-blocking connect under way is "would block" to Winsock callers.
    if (errno == EINPROGRESS) {
        return kWsaEWouldBlock;
    }
    return LastError();
}

int PendingSocketError(SocketHandle socket)
{
    int value = 0;
    socklen_t size = sizeof value;
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &value, &size) != 0) {
        return LastError();
    }
    return value == 0 ? 0 : WinsockErrorFromErrno(value);
}

int Listen(SocketHandle socket, std::uint32_t address, std::uint16_t port)
{
    const int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in sa = MakeAddress(address, port);
    if (::bind(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(socket, SOMAXCONN) != 0) {
        return LastError();
    }
    return 0;
}

std::uint16_t LocalPort(SocketHandle socket)
{
    sockaddr_in sa{};
    socklen_t size = sizeof sa;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&sa), &size) != 0) {
        return 0;
    }
    return ntohs(sa.sin_port);
}

SocketHandle AcceptConnection(SocketHandle listener, int* error)
{
    const SocketHandle s = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (error) {
        *error = s < 0 ? LastError() : 0;
    }
    return s < 0 ? kInvalidSocket : s;
}

SocketIo Send(SocketHandle socket, const char* data, std::size_t size)
{
    const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL);
    if (n < 0) {
        return {-1, LastError()};
    }
    return {n, 0};
}

SocketIo Receive(SocketHandle socket, char* data, std::size_t size, bool peek)
{
    const ssize_t n = ::recv(socket, data, size, peek ? MSG_PEEK : 0);
    if (n < 0) {
        return {-1, LastError()};
    }
    return {n, 0};
}

bool WaitWritable(SocketHandle socket, int timeoutMs)
{
    pollfd fd{socket, POLLOUT, 0};
    return ::poll(&fd, 1, timeoutMs) > 0;
}

std::optional<std::uint32_t> ParseDottedAddress(const std::string& text)
{
    in_addr address{};
    if (text.empty() || ::inet_aton(text.c_str(), &address) == 0) {
        return std::nullopt;
    }
    // inet_addr cannot tell 255.255.255.255 from its failure value.
    if (address.s_addr == INADDR_NONE) {
        return std::nullopt;
    }
    return address.s_addr;
}

void PumpEvents(bool wait)
{
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    if (wait) {
        flags |= QEventLoop::WaitForMoreEvents;
    }
    QCoreApplication::processEvents(flags);
}

AsyncSelect::AsyncSelect(SocketHandle socket, Handler handler)
    : socket_(socket), handler_(std::move(handler)),
      read_(std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Read)),
      write_(std::make_unique<QSocketNotifier>(socket, QSocketNotifier::Write))
{
    // An unconnected socket reads as hung up: watch nothing until told.
    read_->setEnabled(false);
    write_->setEnabled(false);
    QObject::connect(read_.get(), &QSocketNotifier::activated, read_.get(),
                     [this] { ReadReady(); });
    QObject::connect(write_.get(), &QSocketNotifier::activated, write_.get(),
                     [this] { WriteReady(); });
}

AsyncSelect::~AsyncSelect()
{
    *alive_ = false;
    if (!dispatching_) {
        return;
    }
    // Inside one of the notifiers' own signals (a handler that closes the
    // socket): the notifiers go once control is back in the event loop.
    for (std::unique_ptr<QSocketNotifier>* notifier : {&read_, &write_}) {
        (*notifier)->setEnabled(false);
        QObject::disconnect(notifier->get(), nullptr, nullptr, nullptr);
        notifier->release()->deleteLater();
    }
}

void AsyncSelect::Dispatch(Event event, int error)
{
    // The handler may destroy this object: it runs from a copy, and nothing
    // of the object is touched after it unless the object still lives.
    const Handler handler = handler_;
    const std::shared_ptr<bool> alive = alive_;
    dispatching_ = true;
    handler(event, error);
    if (*alive) {
        dispatching_ = false;
    }
}

void AsyncSelect::ExpectConnect()
{
    write_->setEnabled(true);
}

void AsyncSelect::WatchIncoming(bool listening)
{
    listening_ = listening;
    watching_ = true;
    read_->setEnabled(true);
}

void AsyncSelect::Rearm()
{
    if (watching_) {
        read_->setEnabled(true);
    }
}

void AsyncSelect::ReadReady()
{
    // Like Winsock: one notification until the reader takes data again.
    read_->setEnabled(false);
    if (listening_) {
        Dispatch(FdAccept, 0);
        return;
    }
    char byte = 0;
    const SocketIo peeked = Receive(socket_, &byte, 1, true);
    if (peeked.count < 0 && peeked.error == kWsaEWouldBlock) {
        read_->setEnabled(true);
        return;
    }
    if (peeked.count > 0) {
        Dispatch(FdRead, 0);
    } else {
        watching_ = false;
        Dispatch(FdClose, peeked.count == 0 ? 0 : peeked.error);
    }
}

void AsyncSelect::WriteReady()
{
    write_->setEnabled(false);
    const int error = PendingSocketError(socket_);
    if (error == 0) {
        WatchIncoming(false);
    }
    Dispatch(FdConnect, error);
}

struct HostLookup::Shared {
    std::mutex mutex;
    HostLookup* owner = nullptr; // null once the owner is gone
};

HostLookup::HostLookup(Done done)
    : done_(std::move(done)), shared_(std::make_shared<Shared>()),
      receiver_(std::make_unique<QObject>())
{
    shared_->owner = this;
}

HostLookup::~HostLookup()
{
    // After this no worker posts to the receiver, and deleting it drops
    // whatever was posted already.
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->owner = nullptr;
}

void HostLookup::Start(const std::string& name)
{
    const unsigned generation = ++generation_;
    std::thread([shared = shared_, receiver = receiver_.get(), name, generation] {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int result = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
        std::uint32_t address = 0;
        int error = WinsockErrorFromLookup(result);
        if (result == 0) {
            address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
            ::freeaddrinfo(found);
        } else if (error == 0) {
            error = 11001;
        }
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (HostLookup* owner = shared->owner) {
            QMetaObject::invokeMethod(
                receiver,
                [owner, generation, address, error] { owner->Finish(generation, address, error); },
                Qt::QueuedConnection);
        }
    }).detach();
}

void HostLookup::Finish(unsigned generation, std::uint32_t address, int error)
{
    if (generation == generation_ && done_) {
        done_(address, error);
    }
}

} // namespace marlune::platform
