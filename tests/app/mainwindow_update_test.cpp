// The Update command against python's http.server and scripted servers:
// the working directory, the registry file and the table afterwards.
#include "apptestbase.h"

#include "widgets/statusbar.h"
#include "datafilebytes.h"
#include "platform/cp1252.h"
#include "servers.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <cstdlib>

namespace marlune::testing {
namespace {

using namespace std::chrono_literals;

const std::string kNoUpdate = "No updated data file available yet.";
const std::string kQuestion = "A new updated data file is available. Like to download and install?";
const std::string kCanceled = "Update file download canceled.";

const std::vector<std::pair<std::string, std::string>> kNewRecords = {
    {"2000", "Sydney Updated"}, {"3000", "Melbourne Updated"}, {"4000", "Brisbane Updated"}};

class MainWindowUpdateTest : public AppTestBase {
protected:
    void SetUp() override
    {
        AppTestBase::SetUp();
        asker_ = std::make_unique<platform::gui::ScopedQuestionShower>(
            [this](const platform::gui::MessageBoxRequest& request) {
                questions_.push_back(platform::FromQString(request.text));
                return answer_;
            });
        ASSERT_TRUE(served_.isValid());
        CopyRealDataFile();
        ShowForm();
        ASSERT_TRUE(Table().Active());
        before_ = Snapshot();
    }
    void TearDown() override
    {
        form_.reset();
        asker_.reset();
        AppTestBase::TearDown();
    }

    // python's http.server serving served_, with the window pointed at it.
    std::unique_ptr<PythonHttpServer> StartServer()
    {
        auto server = std::make_unique<PythonHttpServer>(served_.path().toStdString());
        EXPECT_TRUE(server->Running());
        form_->catalogue().Updater().SetHost(server->HostPort());
        return server;
    }

    void Serve(const std::string& name, const std::string& bytes)
    {
        ASSERT_TRUE(WriteBytes(served_.path().toStdString() + "/" + name, bytes));
    }

    // The files of the working directory (hidden ones too) with their sizes.
    std::vector<std::string> WorkFiles() const
    {
        std::vector<std::string> files;
        const QDir dir(QString::fromStdString(WorkDir()));
        for (const QFileInfo& info : dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
            files.push_back(info.fileName().toStdString() + " " + std::to_string(info.size()));
        }
        return files;
    }

    struct State {
        std::vector<std::string> files;
        std::optional<std::string> setting;
        std::string current;
        int records;
        std::string firstLocality;
        bool operator==(const State&) const = default;
        friend void PrintTo(const State& s, std::ostream* out)
        {
            *out << "files {";
            for (const std::string& f : s.files) {
                *out << f << "; ";
            }
            *out << "} setting " << s.setting.value_or("(none)") << ", current " << s.current
                 << ", " << s.records << " records, first " << s.firstLocality;
        }
    };
    State Snapshot()
    {
        Table().First();
        return {WorkFiles(), StoredDataFileName(), form_->catalogue().DataFileName(),
                Table().RecordCount(), Table().FieldByName("Locality").AsString()};
    }

    std::string Panel() const { return Find<widgets::StatusBar>("StatusBar1").Panels(0).text; }

    void ClickUpdate()
    {
        ASSERT_TRUE(Find<QToolButton>("ToolButton6").isEnabled());
        Find<QToolButton>("ToolButton6").click();
        EXPECT_FALSE(form_->updateRunning());
    }

    // Serves each check file in turn: Update says there is nothing new, asks
    // nothing and changes nothing.
    void ExpectNoUpdateFor(const std::vector<std::string>& checks)
    {
        const auto server = StartServer();
        for (const std::string& check : checks) {
            Serve("mrl_check.txt", check);
            messages_.clear();
            ClickUpdate();
            EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNoUpdate}) << check;
        }
        EXPECT_TRUE(questions_.empty());
        EXPECT_EQ(Snapshot(), before_);
    }

    // Runs Update against a scripted server whose check file names
    // 20061231.dat and whose data file answer is `download`; the user says
    // Yes. Expects nothing to change and one failure message.
    void ExpectFailedDownload(const std::string& download, const std::string& reason)
    {
        ScriptedServer server([&](Peer& peer, int connection) {
            peer.ReadRequest();
            peer.Send(connection == 0 ? "HTTP/1.0 200 OK\r\n\r\n20061231.dat\n" : download);
        });
        form_->catalogue().Updater().SetHost(server.HostPort());
        answer_ = true;
        messages_.clear();
        ClickUpdate();
        EXPECT_EQ(questions_.size(), 1u);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Update failed: " + reason});
        EXPECT_EQ(Snapshot(), before_) << reason;
        questions_.clear();
    }

    QTemporaryDir served_;
    std::unique_ptr<platform::gui::ScopedQuestionShower> asker_;
    std::vector<std::string> questions_;
    bool answer_ = false;
    State before_;
};

TEST_F(MainWindowUpdateTest, NoNewerFileNoQuestion)
{
    ExpectNoUpdateFor({"20051206.dat\r\n", "20040101.dat", "", "<!DOCTYPE HTML>"});
}

TEST_F(MainWindowUpdateTest, DeclineLeavesEverythingAsItWas)
{
    const auto server = StartServer();
    Serve("mrl_check.txt", "20061231.dat\n");
    Serve("20061231.dat", DataFileBytes(kNewRecords));
    answer_ = false;
    ClickUpdate();
    EXPECT_EQ(questions_, std::vector<std::string>{kQuestion});
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kCanceled});
    EXPECT_EQ(Snapshot(), before_);
}

TEST_F(MainWindowUpdateTest, AcceptDownloadsInstallsAndReloads)
{
    const auto server = StartServer();
    const std::string bytes = DataFileBytes(kNewRecords);
    Serve("mrl_check.txt", "20061231.dat\n");
    Serve("20061231.dat", bytes);
    answer_ = true;
    ClickUpdate();
    EXPECT_EQ(questions_, std::vector<std::string>{kQuestion});
    EXPECT_TRUE(messages_.empty()) << MessageTexts().front();
    EXPECT_EQ(ReadBytes(WorkDir() + "/20061231.dat"), bytes);
    EXPECT_EQ(StoredDataFileName(), "20061231.dat");
    EXPECT_EQ(form_->catalogue().DataFileName(), "20061231.dat");
    EXPECT_EQ(Table().RecordCount(), 3);
    EXPECT_EQ(Table().FieldByName("Locality").AsString(), "Sydney Updated");
    EXPECT_EQ(Panel(), "Got 0 of 0 Kb total");
    // The old file stays; nothing else is left behind.
    std::vector<std::string> expected = before_.files;
    expected.push_back("20061231.dat " + std::to_string(bytes.size()));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(WorkFiles(), expected);

    // The next start loads the new file; the same check is then no news.
    form_.reset();
    ShowForm();
    EXPECT_EQ(Table().RecordCount(), 3);
    form_->catalogue().Updater().SetHost(server->HostPort());
    messages_.clear();
    ClickUpdate();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNoUpdate});
}

TEST_F(MainWindowUpdateTest, ACheckFileNamingNoPlainFileWritesNothing)
{
    answer_ = true;
    ExpectNoUpdateFor(
        {"../29991231.d", "/tmp/2999.dat", ".29991231dat", "2999\n231.dat", "2999 1231dat"});
}

TEST_F(MainWindowUpdateTest, AFailedDownloadReplacesNothing)
{
    const std::string html = "<!DOCTYPE HTML><html>Not Found</html>";
    ExpectFailedDownload("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n" + html,
                         "HTTP/1.0 404 Not Found");
    const std::string bytes = DataFileBytes(kNewRecords);
    ExpectFailedDownload("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(bytes.size()) +
                             "\r\n\r\n" + bytes.substr(0, bytes.size() / 2),
                         "the transfer was cut short after " + std::to_string(bytes.size() / 2) +
                             " of " + std::to_string(bytes.size()) + " bytes");
    ExpectFailedDownload("HTTP/1.0 200 OK\r\n\r\n" + DataFileBytes({}),
                         "the data file holds no records");
    // Not a data file at all: the reader's own message.
    ScriptedServer server([](Peer& peer, int connection) {
        peer.ReadRequest();
        peer.Send(connection == 0 ? "HTTP/1.0 200 OK\r\n\r\n20061231.dat"
                                  : "HTTP/1.0 200 OK\r\n\r\nnot a data file");
    });
    form_->catalogue().Updater().SetHost(server.HostPort());
    answer_ = true;
    messages_.clear();
    ClickUpdate();
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{
                  "Update failed: the download is not a data file: Invalid stream format"});
    EXPECT_EQ(Snapshot(), before_);
    questions_.clear();
    ExpectFailedDownload("HTTP/1.0 200 OK\r\n\r\n", "the server sent an empty file");
}

TEST_F(MainWindowUpdateTest, ProgressCountsKilobytesOfTheDownload)
{
    // 40,000 bytes that are no data file: the progress, then the failure.
    const std::string junk(40000, 'j');
    for (const auto& [statusAndLength, panel] :
         {std::pair<std::string, std::string>{"HTTP/1.0 200 OK\r\nContent-Length: 40000",
                                              "Got 39 of 39 Kb total"},
          std::pair<std::string, std::string>{"HTTP/1.0 200 OK", "Got 39 of 0 Kb total"}}) {
        const std::string head = statusAndLength; // a copy the server's thread can capture
        ScriptedServer server([&](Peer& peer, int connection) {
            peer.ReadRequest();
            if (connection == 0) {
                peer.Send("HTTP/1.0 200 OK\r\n\r\n20061231.dat");
                return;
            }
            peer.Send(head + "\r\n\r\n");
            peer.Trickle(junk, 8000, 5ms);
        });
        form_->catalogue().Updater().SetHost(server.HostPort());
        answer_ = true;
        messages_.clear();
        ClickUpdate();
        EXPECT_EQ(Panel(), panel);
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_TRUE(MessageTexts()[0].starts_with("Update failed: ")) << MessageTexts()[0];
        EXPECT_EQ(Snapshot(), before_);
    }
}

TEST_F(MainWindowUpdateTest, ACheckAnsweredWithAnErrorIsNoUpdate)
{
    const auto server = StartServer(); // no mrl_check.txt: 404
    ClickUpdate();
    EXPECT_EQ(Panel(), "HTTP GET Failed");
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNoUpdate});
    EXPECT_EQ(Snapshot(), before_);
}

TEST_F(MainWindowUpdateTest, WhyTheCheckFailedIsSaidInWordsAndReadableWhole)
{
    const std::string endless = "HTTP/1.0 200 OK\r\n" + [] {
        std::string lines;
        while (lines.size() <= (std::size_t{1} << 20)) {
            lines += "X-Filler: " + std::string(100, 'f') + "\r\n";
        }
        return lines;
    }();
    ScriptedServer endlessServer(Respond(endless));
    ScriptedServer fileRedirect(
        Respond("HTTP/1.0 302 Found\r\nLocation: file:///etc/passwd\r\n\r\n"));
    ScriptedServer relativeRedirect([](Peer& peer, int connection) {
        peer.ReadRequest();
        peer.Send(connection == 0 ? "HTTP/1.0 302 Found\r\nLocation: gone/mrl_check.txt\r\n\r\n"
                                  : "HTTP/1.0 200 OK\r\n\r\n20051206.dat\n");
    });
    const std::string closed = std::to_string(ClosedPort());
    ScriptedServer missingAfterRedirect(
        Respond("HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:" + closed + "/x\r\n\r\n"));
    const std::pair<std::string, std::string> cases[] = {
        {"127.0.0.1:" + closed, "Update server not reached: Connection refused"},
        {"no such host", "Update server not reached: Host not found"},
        {endlessServer.HostPort(), "Update check failed: HTTP response header too long"},
        {fileRedirect.HostPort(), "Update check failed: the server redirected to "
                                  "\"file:///etc/passwd\", which is not an http address"},
        {missingAfterRedirect.HostPort(),
         "Update server not reached: Connection refused (redirected to http://127.0.0.1:" + closed +
             "/x)"},
    };
    for (const auto& [host, text] : cases) {
        form_->catalogue().Updater().SetHost(host);
        ClickUpdate();
        EXPECT_EQ(Panel(), text);
        // The panel is narrower than most of these: its hint carries them whole.
        EXPECT_EQ(Find<widgets::StatusBar>("StatusBar1").toolTip().toStdString(), text);
    }
    // A relative redirect stays on the server and its port: answered there.
    form_->catalogue().Updater().SetHost(relativeRedirect.HostPort());
    ClickUpdate();
    EXPECT_EQ(relativeRedirect.Connections(), 2);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNoUpdate});
    EXPECT_EQ(Snapshot(), before_);
}

TEST_F(MainWindowUpdateTest, ACheckFileNamingAFileOfTheUsersOverwritesNothing)
{
    WriteFile("zz_notes.txt", "my notes");
    WriteFile("marlune-find", "#!/bin/sh\n");
    WriteFile("20991231.dat", "my own list, not a data file");
    before_ = Snapshot();
    const auto server = StartServer();
    const std::string bytes = DataFileBytes(kNewRecords);
    for (const char* name : {"zz_notes.txt", "marlune-find", "20991231.dat"}) {
        Serve(name, bytes);
    }
    answer_ = true;
    ExpectNoUpdateFor({"zz_notes.txt", "marlune-find\n"});
    form_->catalogue().Updater().SetHost(server->HostPort());
    Serve("mrl_check.txt", "20991231.dat\n");
    messages_.clear();
    ClickUpdate();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{
                                  "Update failed: 20991231.dat in the working directory is not a "
                                  "data file of this program; it is left as it is"});
    EXPECT_EQ(Snapshot(), before_);
}

TEST_F(MainWindowUpdateTest, WithAPublicKeyOnlyAFileSignedWithItIsInstalled)
{
    const QTemporaryDir keys;
    const std::string served = served_.path().toStdString();
    const auto run = [&](const std::string& command) {
        return std::system(
                   ("cd '" + served + "' && " + command + " </dev/null >/dev/null 2>&1").c_str()) ==
               0;
    };
    const std::string key = keys.filePath("key").toStdString();
    ASSERT_TRUE(run("minisign -G -W -p " + key + ".pub -s " + key + ".sec"));
    const std::string pub = ReadBytes(key + ".pub");
    form_->catalogue().Updater().SetPublicKey(pub.substr(pub.find('\n') + 1));

    const auto server = StartServer();
    const std::string bytes = DataFileBytes(kNewRecords);
    Serve("mrl_check.txt", "20061231.dat\n");
    answer_ = true;
    // Each kind of bad signature is MinisignTest's; here: none, and one that
    // does not verify against the bytes served.
    const std::string sign = "minisign -S -m 20061231.dat -s " + key + ".sec";
    const std::pair<std::string, std::string> refused[] = {
        {"no signature published", "rm -f 20061231.dat.minisig"},
        {"the file changed after signing", sign + " && sed -i s/Sydney/Sidney/ 20061231.dat"},
    };
    for (const auto& [what, prepare] : refused) {
        SCOPED_TRACE(what);
        Serve("20061231.dat", bytes);
        ASSERT_TRUE(run(prepare));
        messages_.clear();
        ClickUpdate();
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_TRUE(MessageTexts()[0].starts_with(
            "Update refused: the data file's signature does not verify"))
            << MessageTexts()[0];
        EXPECT_EQ(Snapshot(), before_);
    }

    ASSERT_TRUE(run(sign));
    messages_.clear();
    ClickUpdate();
    EXPECT_TRUE(messages_.empty()) << MessageTexts().front();
    EXPECT_EQ(StoredDataFileName(), "20061231.dat");
    EXPECT_EQ(Table().RecordCount(), 3);
}

TEST_F(MainWindowUpdateTest, ASecondUpdateWhileOneWaitsIsRefused)
{
    // The check answer comes slowly; meanwhile the user clicks Update again.
    ScriptedServer server([](Peer& peer, int) {
        peer.ReadRequest();
        peer.Send("HTTP/1.0 200 OK\r\n\r\n");
        peer.Trickle("20051206.dat\n", 1, 30ms);
    });
    form_->catalogue().Updater().SetHost(server.HostPort());
    std::optional<Qt::CursorShape> cursor;
    QTimer::singleShot(100, form_.get(), [&] {
        if (const QCursor* shown = QApplication::overrideCursor()) {
            cursor = shown->shape();
        }
        Find<QToolButton>("ToolButton6").click();
    });
    ClickUpdate();
    EXPECT_EQ(cursor, Qt::WaitCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"An update is already running.", kNoUpdate}));
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(Snapshot(), before_);
}

TEST_F(MainWindowUpdateTest, ClosingTheWindowEndsAWaitingDownloadCleanly)
{
    ScriptedServer server([](Peer& peer, int connection) {
        peer.ReadRequest();
        if (connection == 0) {
            peer.Send("HTTP/1.0 200 OK\r\n\r\n20061231.dat\n");
            return;
        }
        // A download that starts and then stalls.
        peer.Send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(5000, 'd'));
        peer.WaitForClose(20s);
    });
    form_->catalogue().Updater().SetHost(server.HostPort());
    answer_ = true;
    bool closedSeen = false;
    QObject::connect(form_.get(), &app::MainWindow::Closed, [&] { closedSeen = true; });
    QTimer::singleShot(300, form_.get(), [this] { Find<QToolButton>("ToolButton1").click(); });
    ClickUpdate();
    EXPECT_TRUE(closedSeen);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(Snapshot(), before_);
}

} // namespace
} // namespace marlune::testing
