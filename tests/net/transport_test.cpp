// The socket transport against scripted peers on 127.0.0.1.
#include "net/sockettransport.h"
#include "platform/sockets.h"

#include "../support/scratchdir.h"
#include "servers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace marlune::testing {
namespace {

using namespace std::chrono_literals;
using net::AbortError;
using net::SocketError;
using net::SocketTransport;

// A peer that is only accepted: held for a moment (long enough for the
// client to see itself connected), then closed, without waiting for a request.
ScriptedServer::Script AcceptOnly()
{
    return [](Peer& peer, int) { peer.WaitForClose(500ms); };
}

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override { NetTestApplication(); }

    void ConnectTo(SocketTransport& transport, const ScriptedServer& server)
    {
        transport.SetHost("127.0.0.1");
        transport.SetPort(server.Port());
        transport.Connect();
    }

    // The message of what fn raises, or "" when it raises nothing.
    template <typename Fn> std::string Raised(Fn&& fn)
    {
        try {
            fn();
        } catch (const Error& e) {
            return e.Message();
        }
        return {};
    }
};

TEST_F(TransportTest, ErrnoValuesReadAsWinsockTexts)
{
    struct Case {
        int error;
        const char* text;
    };
    for (const Case& c :
         {Case{ECONNREFUSED, "10061:Connection refused"},
          Case{EWOULDBLOCK, "10035:Operation would block"},
          Case{ENOTCONN, "10057:Socket is not connected"},
          Case{ECONNRESET, "10054:Connection reset by peer"},
          Case{ETIMEDOUT, "10060:Connection timed out"}, Case{EIO, "Unknown Error No. 20005"}}) {
        EXPECT_EQ(net::ErrorText(platform::WinsockErrorFromErrno(c.error)), c.text);
    }
    EXPECT_EQ(net::ErrorText(10100), "Unknown Error No. 10100");
    EXPECT_EQ(net::ErrorText(11001), "11001:Host not found");
}

TEST_F(TransportTest, LinesArriveWithTheirEndsAndACutLineReadsEmpty)
{
    ScriptedServer server([](Peer& peer, int) {
        peer.Send("220 first\r\n");
        std::this_thread::sleep_for(50ms);
        peer.Send("second line in ");
        std::this_thread::sleep_for(50ms);
        peer.Send("two parts\nthird without end");
    });
    SocketTransport transport;
    ConnectTo(transport, server);
    EXPECT_TRUE(transport.Connected());
    EXPECT_EQ(transport.ReadLn(), "220 first\r\n");
    EXPECT_EQ(transport.ReadLn(), "second line in two parts\n");
    // The peer closes in the middle of a line: nothing of it is returned.
    EXPECT_EQ(transport.ReadLn(), "");
    transport.Disconnect();
    EXPECT_FALSE(transport.Connected());
}

TEST_F(TransportTest, LongLinesComeInBufferSizedPieces)
{
    const std::string line = std::string(150000, 'x') + "\r\n";
    ScriptedServer server([&line](Peer& peer, int) { peer.Send(line); });
    SocketTransport transport;
    ConnectTo(transport, server);
    std::string joined;
    std::vector<std::size_t> sizes;
    while (joined.size() < line.size()) {
        const std::string piece = transport.ReadLn();
        ASSERT_FALSE(piece.empty());
        sizes.push_back(piece.size());
        joined += piece;
    }
    EXPECT_TRUE(joined == line);
    EXPECT_EQ(sizes,
              (std::vector<std::size_t>{SocketTransport::kBufferSize, SocketTransport::kBufferSize,
                                        line.size() - 2 * SocketTransport::kBufferSize}));
}

TEST_F(TransportTest, WriteSendsLongTextsWholeUpToTheFirstNul)
{
    std::string text;
    for (int i = 0; i < 120000; ++i) {
        text += static_cast<char>('0' + i % 10); // past the buffer
    }
    const std::string expected = text + "end\r\n";
    std::string received;
    // The server acknowledges once it has it all: the first socket closes
    // with a reset, which would drop what the server had not read yet.
    ScriptedServer server([&](Peer& peer, int) {
        received = peer.ReadAll(expected.size());
        peer.Send("got\n");
    });
    SocketTransport transport;
    ConnectTo(transport, server);
    transport.Write(text + std::string(1, '\0') + "after the NUL");
    transport.Writeln("end");
    EXPECT_EQ(transport.ReadLn(), "got\n");
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

TEST_F(TransportTest, TransactionReadsTheReplyCode)
{
    ScriptedServer server([](Peer& peer, int) {
        peer.ReadRequest();
        peer.Send("250 OK done\r\n");
    });
    SocketTransport transport;
    transport.SetReportLevel(1);
    std::vector<std::string> statuses;
    transport.OnStatus = [&](const std::string& s) { statuses.push_back(s); };
    ConnectTo(transport, server);
    EXPECT_EQ(transport.Transaction("HELO x\r\n"), "250 OK done\r\n");
    EXPECT_EQ(transport.ReplyCode(), 250);
    EXPECT_EQ(statuses, std::vector<std::string>{"250 OK done\r\n"});
}

TEST_F(TransportTest, StatusTextsFollowTheReportLevel)
{
    ScriptedServer server(Respond("hello"));
    for (const int level : {0, 4, 8}) {
        SocketTransport transport;
        transport.SetReportLevel(level);
        std::vector<std::string> statuses;
        transport.OnStatus = [&](const std::string& s) {
            statuses.push_back(s);
            throw Error("a status handler's error is swallowed");
        };
        ConnectTo(transport, server);
        transport.Writeln("x\r\n");
        std::string text;
        transport.CaptureString(text);
        transport.Disconnect();
        EXPECT_EQ(text, "hello");
        const auto has = [&](const char* s) {
            return std::find(statuses.begin(), statuses.end(), s) != statuses.end();
        };
        EXPECT_EQ(has("Request Close Socket"), level >= 4) << level;
        EXPECT_EQ(has("Sending Buffer"), level >= 4) << level;
        EXPECT_EQ(has("Connecting"), level >= 8) << level;
        EXPECT_EQ(has("Capture String"), level >= 8) << level;
        EXPECT_EQ(statuses.empty(), level == 0);
    }
}

TEST_F(TransportTest, CaptureHoldsEveryByteIncludingSingleByteBlocks)
{
    ScriptedServer server([](Peer& peer, int) {
        peer.ReadRequest();
        peer.Trickle("abcdef", 1, 20ms);
        peer.Send(std::string(200000, 'z'));
    });
    SocketTransport transport;
    ConnectTo(transport, server);
    transport.Write("GET\r\n\r\n");
    std::string text;
    transport.CaptureString(text);
    EXPECT_TRUE(text == "abcdef" + std::string(200000, 'z')) << text.size();
    EXPECT_EQ(transport.BytesReceived(), text.size());
}

TEST_F(TransportTest, CaptureStringStopsAtItsLimit)
{
    ScriptedServer server([](Peer& peer, int) {
        peer.Send(std::string(1000, 'a'));
        peer.WaitForClose(10s);
    });
    SocketTransport transport;
    ConnectTo(transport, server);
    std::string text;
    transport.CaptureString(text, 100);
    EXPECT_GE(text.size(), 100u);
    transport.Disconnect();
}

TEST_F(TransportTest, CaptureFileWritesWhatArrives)
{
    const test::ScratchDir dir("marlune-capture");
    const std::string path = dir.File("capture.bin");
    std::string body;
    for (int i = 0; i < 100000; ++i) {
        body += static_cast<char>(i * 7);
    }
    ScriptedServer server(Respond(body));
    WriteBytes(path, "old content that is longer than nothing");
    SocketTransport transport;
    ConnectTo(transport, server);
    transport.Write("GET / HTTP/1.0\r\n\r\n");
    transport.CaptureFile(path);
    EXPECT_TRUE(ReadBytes(path) == body);
}

TEST_F(TransportTest, SendFileSendsTheFileInBlocks)
{
    const test::ScratchDir dir("marlune-sendfile");
    const std::string path = dir.File("send.bin");
    std::string content;
    for (int i = 0; i < 200000; ++i) {
        content += static_cast<char>(i * 13);
    }
    ASSERT_TRUE(WriteBytes(path, content));
    std::string received;
    ScriptedServer server([&](Peer& peer, int) {
        received = peer.ReadAll(content.size());
        peer.Send("got\n");
    });
    SocketTransport transport;
    ConnectTo(transport, server);
    transport.SendFile(path);
    EXPECT_EQ(transport.ReadLn(), "got\n");
    EXPECT_EQ(transport.BytesSent(), content.size());
    EXPECT_EQ(received.size(), content.size());
    EXPECT_TRUE(received == content);
}

TEST_F(TransportTest, RefusedConnectionNamesTheSocketError)
{
    SocketTransport transport;
    transport.SetHost("127.0.0.1");
    transport.SetPort(ClosedPort());
    bool failedEvent = false;
    transport.OnConnectionFailed = [&] { failedEvent = true; };
    const std::string message = Raised([&] { transport.Connect(); });
    // Refused at once ("10061:...") or reported by the connect notification.
    EXPECT_TRUE(message == "10061:Connection refused" || message == "Connection Failed") << message;
    EXPECT_EQ(transport.LastError(), 10061);
    transport.Disconnect();
    // The fresh socket connects like the first.
    ScriptedServer server(AcceptOnly());
    transport.SetPort(server.Port());
    transport.Connect();
    EXPECT_TRUE(transport.Connected());
    EXPECT_EQ(failedEvent, message == "Connection Failed");
}

TEST_F(TransportTest, NamesThatDoNotResolve)
{
    // A name with spaces fails in the resolver without asking any server.
    SocketTransport transport;
    transport.SetHost("no such host");
    transport.SetPort(80);
    EXPECT_EQ(Raised([&] { transport.Connect(); }), "Null Remote Address");

    // The handler gets one chance to name a usable host.
    ScriptedServer server(AcceptOnly());
    transport.SetPort(server.Port());
    int asked = 0;
    transport.OnInvalidHost = [&](bool& handled) {
        ++asked;
        transport.SetHost("localhost");
        handled = true;
    };
    bool resolved = false;
    transport.OnHostResolved = [&] {
        // The lookup ran on a worker; its end is reported on this thread.
        resolved = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    transport.Connect();
    EXPECT_TRUE(transport.Connected());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(resolved);
    EXPECT_EQ(transport.RemoteAddress(), *platform::ParseDottedAddress("127.0.0.1"));
    EXPECT_EQ(Raised([&] { transport.Connect(); }), "Already connected");
    EXPECT_TRUE(transport.Connected());
}

TEST_F(TransportTest, TimeOutCountsFromTheFirstBlockNotTheLast)
{
    // 1 byte every 50 ms for 3 s: data keeps arriving, yet the limit holds.
    ScriptedServer server([](Peer& peer, int) { peer.Trickle(std::string(60, 't'), 1, 50ms); });
    SocketTransport transport;
    transport.SetTimeOut(600);
    ConnectTo(transport, server);
    std::string text;
    EXPECT_EQ(Raised([&] { transport.CaptureString(text); }), "Socket capture aborted");
    EXPECT_TRUE(transport.TimedOut());
    EXPECT_FALSE(transport.Canceled());
    EXPECT_FALSE(text.empty());
    EXPECT_LT(text.size(), 60u);
    transport.Disconnect();
}

TEST_F(TransportTest, CancelFromATimerEndsAReadAndTheWindowStaysResponsive)
{
    // A peer that never answers.
    ScriptedServer server([](Peer& peer, int) { peer.WaitForClose(20s); });
    SocketTransport transport;
    ConnectTo(transport, server);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (++ticks == 10) {
            transport.Cancel();
        }
    });
    ticker.start(20);
    EXPECT_EQ(Raised([&] { transport.ReadLn(); }), "Socket readln aborted");
    EXPECT_EQ(ticks, 10);
    EXPECT_FALSE(transport.Canceled());
    transport.Disconnect();
}

TEST_F(TransportTest, AResetEndsACaptureLikeAClose)
{
    ScriptedServer server([](Peer& peer, int) {
        peer.ReadRequest();
        peer.Send("partial");
        std::this_thread::sleep_for(50ms);
        peer.Reset();
    });
    SocketTransport transport;
    ConnectTo(transport, server);
    transport.Writeln("GET\r\n");
    std::string text;
    // Either the close notification replaced the socket (the capture then
    // ends normally) or the receive itself reports the reset.
    const std::string message = Raised([&] { transport.CaptureString(text); });
    EXPECT_TRUE(message.empty() || message == "10054:Connection reset by peer") << message;
    EXPECT_EQ(text, "partial");
}

TEST_F(TransportTest, AcceptTakesAConnectionAndDataAvailablePeeks)
{
    SocketTransport transport;
    transport.SetHost("127.0.0.1");
    transport.SetPort(0);
    transport.Listen();
    const std::uint16_t port = transport.LocalPort();
    ASSERT_NE(port, 0);
    std::thread client([port] {
        SocketTransport::WinsockInfo();
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::send(fd, "hello\n", 6, MSG_NOSIGNAL);
        std::this_thread::sleep_for(200ms);
        ::close(fd);
    });
    transport.Accept();
    EXPECT_TRUE(transport.Connected());
    EXPECT_EQ(transport.ReadLn(), "hello\n");
    client.join();
    EXPECT_FALSE(transport.DataAvailable());
}

TEST(SocketTimerTest, RunsOnlyWhenEnabledWithIntervalAndHandler)
{
    NetTestApplication();
    net::SocketTimer timer;
    int fired = 0;
    timer.SetInterval(10);
    EXPECT_FALSE(timer.Running());
    timer.SetOnTimer([&] { ++fired; });
    EXPECT_TRUE(timer.Running());
    QElapsedTimer clock;
    clock.start();
    while (fired < 3 && clock.elapsed() < 10000) {
        platform::PumpEvents(true);
    }
    EXPECT_GE(fired, 3);
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(10);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
}

} // namespace
} // namespace marlune::testing
