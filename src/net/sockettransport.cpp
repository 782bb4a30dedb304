// The connection's life: start-up, lookup, connect, notifications, time-out
// and close. The data operations are in sockettransportio.cpp.
#include "net/sockettransport.h"

#include <sys/resource.h>

namespace marlune::net {

using platform::AsyncSelect;

SocketTransport::SocketTransport()
    : lookup_([this](std::uint32_t address, int error) { LookupFinished(address, error); }),
      buffer_(kBufferSize)
{
    ReportStatus(8, "Create");
    timer_.SetEnabled(false);
    timer_.SetOnTimer([this] { TimerTriggered(); });
    ReportStatus(8, "Initializing Winsock");
    try {
        OpenSocket(true);
    } catch (const Error&) {
        throw SocketError("Initializaton of windows sockets failed");
    }
}

SocketTransport::~SocketTransport()
{
    ReportStatus(8, "Destroy");
    canceled_ = true;
    timer_.SetEnabled(false);
    destroying_ = true;
    try {
        CloseSocket();
    } catch (...) {
        // Nothing is left to tell.
    }
}

const std::vector<std::string>& SocketTransport::WinsockInfo()
{
    static const std::vector<std::string> info = [] {
        rlimit files{};
        ::getrlimit(RLIMIT_NOFILE, &files);
        return std::vector<std::string>{
            "Version= 1.1",
            "High Version= 1.1",
            "Description= POSIX sockets",
            "System= Running",
            "Max Sockets= " + std::to_string(files.rlim_cur),
            "Max Udp pack size= 65507",
        };
    }();
    return info;
}

void SocketTransport::ReportStatus(int level, const std::string& text)
{
    if (level > reportLevel_) {
        return;
    }
    statusText_ = text;
    if (!destroying_ && OnStatus) {
        try {
            OnStatus(text);
        } catch (...) {
            // A status handler cannot stop the transport.
        }
    }
}

void SocketTransport::CheckSocketError(int code, int ignored)
{
    // Only failures are recorded, like the last error of the platform.
    if (code == 0) {
        return;
    }
    lastError_ = code;
    if (code == ignored || code <= 10000) {
        return;
    }
    ReportStatus(8, "Looking Up Error Message");
    throw SocketError(ErrorText(code));
}

void SocketTransport::OpenSocket(bool abortiveClose)
{
    int error = 0;
    const platform::SocketHandle s = platform::OpenStreamSocket(&error);
    if (s == platform::kInvalidSocket) {
        CheckSocketError(error);
        throw SocketError(ErrorText(error));
    }
    if (abortiveClose) {
        platform::SetAbortiveClose(s);
    }
    socket_ = s;
    select_ = std::make_unique<AsyncSelect>(
        s, [this](AsyncSelect::Event event, int code) { Notification(event, code); });
}

void SocketTransport::CloseSocket()
{
    ReportStatus(4, "Request Close Socket");
    connected_ = false;
    if (socket_ == platform::kInvalidSocket) {
        return;
    }
    select_.reset();
    const int error = platform::CloseSocketHandle(socket_);
    socket_ = platform::kInvalidSocket;
    if (destroying_) {
        return;
    }
    // Ready for the next Connect whatever happened to the old socket.
    OpenSocket(false);
    CheckSocketError(error);
    if (OnDisconnect) {
        OnDisconnect();
    }
}

void SocketTransport::Notification(AsyncSelect::Event event, int error)
{
    lastEventOK_ = error == 0;
    try {
        switch (event) {
        case AsyncSelect::FdRead:
            break;
        case AsyncSelect::FdAccept:
            connected_ = true;
            break;
        case AsyncSelect::FdConnect:
            if (lastEventOK_) {
                connected_ = true;
                if (OnConnect) {
                    OnConnect();
                }
            } else {
                lastError_ = error;
            }
            break;
        case AsyncSelect::FdClose:
            // While data is unread, the reader finds the close itself.
            if (!DataAvailable()) {
                CloseSocket();
            }
            break;
        }
    } catch (...) {
        // Notifications have no caller to fail to.
    }
}

void SocketTransport::TimerOn()
{
    ReportStatus(8, "Timer On");
    timedOut_ = false;
    // Unchanged properties leave a running countdown alone: the limit counts
    // from the operation's first TimerOn.
    timer_.SetInterval(static_cast<unsigned>(timeOut_ < 0 ? 0 : timeOut_));
    timer_.SetEnabled(true);
}

void SocketTransport::TimerOff()
{
    ReportStatus(8, "Timer Off");
    timer_.SetEnabled(false);
}

void SocketTransport::TimerTriggered()
{
    ReportStatus(8, "Timer Triggered");
    TimerOff();
    timedOut_ = true;
    lookupDone_ = true;
    Abort();
}

void SocketTransport::Cancel()
{
    ReportStatus(8, "Canceling");
    canceled_ = true;
}

void SocketTransport::Abort()
{
    ReportStatus(8, "Abort");
    Cancel();
}

void SocketTransport::Disconnect()
{
    ReportStatus(8, "Disconnecting");
    CloseSocket();
}

void SocketTransport::LookupFinished(std::uint32_t address, int error)
{
    lastEventOK_ = error == 0;
    if (error != 0) {
        lastError_ = error;
    }
    lookupAddress_ = address;
    lookupDone_ = true;
}

void SocketTransport::ResolveHost()
{
    ReportStatus(8, "Resolve Host");
    const std::string& name = proxy_.empty() ? host_ : proxy_;
    if (const auto dotted = platform::ParseDottedAddress(name)) {
        remoteAddress_ = *dotted;
        return;
    }
    remoteAddress_ = 0;
    {
        TimerScope timer(*this);
        lookupDone_ = false;
        lookupAddress_ = 0;
        lookup_.Start(name);
        while (!lookupDone_ && !timedOut_ && !canceled_) {
            platform::PumpEvents(true);
        }
    }
    if (timedOut_) {
        throw SocketError("Host Lookup Timed Out");
    }
    if (canceled_) {
        throw SocketError("Host Lookup Canceled");
    }
    if (!lastEventOK_) {
        throw SocketError("Host Lookup Failed");
    }
    remoteAddress_ = lookupAddress_;
    if (OnHostResolved) {
        OnHostResolved();
    }
}

void SocketTransport::Connect()
{
    ReportStatus(8, "Connecting");
    canceled_ = false;
    if (connected_) {
        throw SocketError("Already connected");
    }
    for (int tries = 0;; ++tries) {
        try {
            ResolveHost();
        } catch (const SocketError& e) {
            const std::string message = e.Message();
            if (message == "Host Lookup Timed Out" || message == "Host Lookup Canceled") {
                throw;
            }
        }
        if (remoteAddress_ != 0) {
            break;
        }
        // The handler gets exactly one chance to name a usable host.
        bool handled = false;
        if (tries == 0 && OnInvalidHost) {
            OnInvalidHost(handled);
        }
        if (!handled) {
            throw SocketError("Null Remote Address");
        }
    }

    // A close whose fresh socket could not be made left none.
    if (socket_ == platform::kInvalidSocket) {
        OpenSocket(false);
    }
    const int port = proxy_.empty() ? port_ : proxyPort_;
    lookupDone_ = false;
    lastEventOK_ = true;
    select_->ExpectConnect();
    const int started =
        platform::StartConnect(socket_, remoteAddress_, static_cast<std::uint16_t>(port));
    CheckSocketError(started);
    {
        TimerScope timer(*this);
        while (!connected_ && !timedOut_ && !canceled_ && lastEventOK_) {
            platform::PumpEvents(true);
        }
    }
    if (!timedOut_ && !canceled_ && lastEventOK_) {
        return;
    }
    if (OnConnectionFailed) {
        OnConnectionFailed();
    }
    if (timedOut_) {
        throw SocketError("Connection Timed out");
    }
    if (canceled_) {
        throw SocketError("Connection Canceled");
    }
    throw SocketError("Connection Failed");
}

} // namespace marlune::net
