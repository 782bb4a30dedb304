// URL reading, header lines, encoders and the update decision.
#include "net/headerlist.h"
#include "net/httpresponse.h"
#include "net/httpurl.h"
#include "net/updatecheck.h"
#include "net/urlencoder.h"
#include "platform/error.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <random>

namespace marlune::testing {
namespace {

TEST(HttpUrlTest, HostPortAndPath)
{
    struct Case {
        const char* url;
        const char* host; // "" = the client's host stays
        int port;
        const char* path;
        const char* newUrl;
    };
    const Case cases[] = {
        {"http://update.example/mrl_check.txt", "update.example", 80, "/mrl_check.txt",
         "http://update.example/mrl_check.txt"},
        {"http://127.0.0.1:8080/20061231.dat", "127.0.0.1", 8080, "/20061231.dat",
         "http://127.0.0.1:8080/20061231.dat"},
        {"http://update.example", "update.example", 80, "/", "http://update.example/"},
        {"http://update.example/", "update.example", 80, "/", "http://update.example//"},
        {"update.example/a/b", "update.example", 1234, "/a/b", "update.example/a/b"},
        {"/only/a/path", "old.host", 1234, "/only/a/path", "/only/a/path"},
        {"ftp://files.example/x", "files.example", 21, "/x", "ftp://files.example/x"},
        {"gopher://g.example/x", "g.example", 70, "/x", "gopher://g.example/x"},
        {"HTTP://UP.EXAMPLE:81/Y", "UP.EXAMPLE", 81, "/Y", "HTTP://UP.EXAMPLE:81/Y"},
    };
    for (const Case& c : cases) {
        const net::ParsedUrl parsed = net::ParseUrl(c.url, "old.host", 1234);
        EXPECT_EQ(parsed.host, *c.host ? c.host : "old.host") << c.url;
        EXPECT_EQ(parsed.port, c.port) << c.url;
        EXPECT_EQ(parsed.path, c.path) << c.url;
        EXPECT_EQ(parsed.url, c.newUrl) << c.url;
    }
    EXPECT_EQ(net::ParseUrl("http://h/" + std::string(300, 'p'), "", 0).path.size(), 256u);
}

TEST(HttpUrlTest, Errors)
{
    const auto message = [](const std::string& url) {
        try {
            net::ParseUrl(url, "", 0);
        } catch (const Error& e) {
            return e.Message();
        }
        return std::string();
    };
    EXPECT_EQ(message(""), "Empty URL");
    EXPECT_EQ(message("https://secure.example/"), "HTTP Secure Socket is not supported");
    EXPECT_EQ(message("http://h:port/"), "'port' is not a valid integer value");
    EXPECT_EQ(message("http://h:99999999999/"), "'99999999999' is not a valid integer value");
    EXPECT_EQ(message("http://h:99999/"), "Port 99999 is outside 1 to 65535");
}

TEST(HeaderListTest, NamesIgnoreCaseAndEmptyValuesDelete)
{
    net::HeaderList list;
    list.Add("GET / HTTP/1.0");
    list.SetValue("Cookie", "a=1");
    list.SetValue("COOKIE", "b=2");
    list.SetValue("Referer", "x");
    EXPECT_EQ(list.Lines(),
              (std::vector<std::string>{"GET / HTTP/1.0", "COOKIE: b=2", "Referer: x"}));
    list.SetValue("cookie", "");
    list.SetValue("Missing", "");
    EXPECT_EQ(list.Text(), "GET / HTTP/1.0\r\nReferer: x\r\n");
}

TEST(EncoderTest, Base64AndFormEncodingAgreeWithQt)
{
    std::mt19937 random(8);
    for (int round = 0; round < 200; ++round) {
        std::string bytes(random() % 80, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 256);
        }
        const QByteArray qbytes(bytes.data(), static_cast<qsizetype>(bytes.size()));
        EXPECT_EQ(net::Base64Encode(bytes), qbytes.toBase64().toStdString());

        // Qt keeps "-._~" as they are and writes a space as %20.
        QByteArray form = qbytes.toPercentEncoding(QByteArray(), "-._~");
        form.replace("%20", "+");
        net::UrlEncoder encoder;
        encoder.SetInputString(bytes);
        EXPECT_EQ(encoder.Encode(), form.toStdString());
    }
}

TEST(ResponseLineTest, StatusCodesAndHeaderValues)
{
    struct Status {
        const char* line;
        int code;
    };
    for (const Status& s :
         {Status{"HTTP/1.0 200 OK\r\n", 200}, Status{"HTTP/1.0 404\r\n", 404},
          Status{"HTTP/1.0  200 OK\r\n", 0}, Status{"HTTP/1.0 2x0 OK\n", 0},
          Status{"HTTP/1.0 99999 Big\n", 0}, Status{"garbage", 0}, Status{"", 0}}) {
        EXPECT_EQ(net::StatusCodeOf(s.line), s.code) << s.line;
    }
    net::ResponseHead head;
    EXPECT_FALSE(net::ApplyHeaderLine("Set-Cookie: " + std::string(300, 'c') + "\r\n", head));
    EXPECT_EQ(head.cookie->size(), 256u);
    EXPECT_FALSE(net::ApplyHeaderLine("Content-Length: 99999999999999\r\n", head));
    EXPECT_EQ(head.contentLength, 0xFFFFFFFFu);
    EXPECT_FALSE(net::ApplyHeaderLine("Content-Length: abc 12\r\n", head));
    EXPECT_EQ(head.contentLength, 12u);
    for (const char* end : {"", "\n", "\r\n"}) {
        EXPECT_TRUE(net::ApplyHeaderLine(end, head));
    }
    EXPECT_FALSE(net::ApplyHeaderLine(" \r\n", head));
}

TEST(UpdateCheckTest, WhichCandidatesAreNewerPlainFileNames)
{
    struct Case {
        int status;
        std::string body;
        std::optional<std::string> newer;
    };
    const std::string current = "20051206.dat";
    const Case cases[] = {
        {200, "20061231.dat\r\n", "20061231.dat"},
        {200, "20061231.dat", "20061231.dat"},
        {200, "20051206.dat\r\n", std::nullopt}, // the same
        {200, "20040101.dat\r\n", std::nullopt}, // older
        {200, "", std::nullopt},
        {200, "3", std::nullopt},                     // newer in text order, no date
        {200, "<!DOCTYPE HTML PUBLIC", std::nullopt}, // an HTML page
        {404, "20061231.dat", std::nullopt},          // an error status
        {0, "20061231.dat", std::nullopt},            // no status line at all
        {200, "2006/231.dat", std::nullopt},          // a path separator
        {200, "../../x.dat\n", std::nullopt},
        {200, ".20061231dat", std::nullopt},  // hidden
        {200, "2006\t231.dat", std::nullopt}, // a control character
        {200, "2006 231.dat", std::nullopt},
        {200, "30000000.da\n", std::nullopt}, // the line end is in the name
        {200, "30000000-a_b", std::nullopt},
        {200, "zz_notes.txt", std::nullopt}, // a user's file, sorting after any date
        {200, "marlune-find", std::nullopt},
        {200, "2006123x.dat", std::nullopt},
        {200, "20061231.DAT", std::nullopt},
        {200, "99999999.dat\n", "99999999.dat"},
        {200,
         "\xE9"
         "0000000.dat",
         std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(net::NewerDataFile(c.status, c.body, current), c.newer) << c.body;
    }
}

TEST(UpdateCheckTest, DownloadProblemsAndTransportTexts)
{
    EXPECT_EQ(net::DownloadProblem(200, "HTTP/1.0 200 OK", 100, 100), std::nullopt);
    EXPECT_EQ(net::DownloadProblem(200, "HTTP/1.0 200 OK", 0, 5), std::nullopt);
    EXPECT_EQ(net::DownloadProblem(404, "HTTP/1.0 404 Not Found", 0, 5), "HTTP/1.0 404 Not Found");
    EXPECT_EQ(net::DownloadProblem(0, "", 0, 5), "no HTTP status line");
    EXPECT_EQ(net::DownloadProblem(200, "HTTP/1.0 200 OK", 100, 40),
              "the transfer was cut short after 40 of 100 bytes");
    EXPECT_EQ(net::TransportFailureText("Connection Failed", 10061), "Connection refused");
    EXPECT_EQ(net::TransportFailureText("Null Remote Address", 11001), "Host not found");
    EXPECT_EQ(net::TransportFailureText("10054:Connection reset by peer", 10054),
              "Connection reset by peer");
    EXPECT_EQ(net::TransportFailureText("HTTP response header too long", 0),
              "HTTP response header too long");
}

TEST(HttpUrlTest, RedirectLocationsResolveAgainstTheRequest)
{
    const net::ParsedUrl request = net::ParseUrl("http://127.0.0.1:8080/dir/check.txt", "", 80);
    struct Case {
        const char* location;
        const char* resolved; // nullptr: refused, with `refusal` in the message
        const char* refusal;
    };
    const Case cases[] = {
        {"final-x", "http://127.0.0.1:8080/dir/final-x", nullptr},
        {"/top.dat", "http://127.0.0.1:8080/top.dat", nullptr},
        {"//other:81/a", "http://other:81/a", nullptr},
        {"HTTP://other/a", "HTTP://other/a", nullptr},
        {"sub/final", "http://127.0.0.1:8080/dir/sub/final", nullptr},
        {"http://other:99999/a", nullptr, "outside 1 to 65535"},
        {"http://other:0/a", nullptr, "outside 1 to 65535"},
        {"ftp://other/a", nullptr, "not an http address"},
        {"gopher://other/a", nullptr, "not an http address"},
        {"file:///etc/passwd", nullptr, "not an http address"},
        {"https://other/a", nullptr, "not an http address"},
        {"http:/a", nullptr, "names no server"},
        {"http:///a", nullptr, "names no server"},
    };
    for (const Case& c : cases) {
        if (c.resolved != nullptr) {
            EXPECT_EQ(net::ResolveRedirect(c.location, request), c.resolved) << c.location;
            continue;
        }
        try {
            net::ResolveRedirect(c.location, request);
            ADD_FAILURE() << c.location << " was followed";
        } catch (const Error& e) {
            const std::string message = e.what();
            EXPECT_NE(message.find(c.refusal), std::string::npos) << message;
            EXPECT_NE(message.find(c.location), std::string::npos) << message;
        }
    }
}

} // namespace
} // namespace marlune::testing
