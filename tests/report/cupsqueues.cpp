#include "cupsqueues.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <chrono>
#include <fstream>
#include <map>

namespace marlune::testing {

namespace {

constexpr const char* kPdfPpd = "/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd";
constexpr const char* kBackend = "/usr/lib/cups/backend/cups-pdf";
// cups-pdf reads the settings of queue cups-pdf:/NAME from this folder.
constexpr const char* kBackendConfigDir = "/etc/cups";

int FreePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);
    return port;
}

bool WriteFile(const QString& path, const std::string& text)
{
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << text;
    return static_cast<bool>(out);
}

std::string Output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return process.readAllStandardOutput().toStdString();
}

} // namespace

CupsQueues::CupsQueues(const std::vector<std::string>& queues)
{
    for (const char* tool : {"cupsd", "lpadmin", "lpstat"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool),
                                           {"/usr/sbin", "/usr/bin", "/sbin", "/bin"})
                .isEmpty()) {
            failure_ = std::string(tool) + " is not installed (scripts/install-deps.sh test)";
            return;
        }
    }
    if (!QFile::exists(QLatin1String(kPdfPpd)) || !QFile::exists(QLatin1String(kBackend))) {
        failure_ = "printer-driver-cups-pdf is not installed (scripts/install-deps.sh test)";
        return;
    }
    if (::geteuid() != 0) {
        failure_ = "the cups-pdf backend runs only under a scheduler started as root";
        return;
    }
    if (!dir_.isValid()) {
        failure_ = "no temporary folder";
        return;
    }
    // The filters run as the lp user: they must reach the folders.
    const QString root = dir_.path();
    QFile::setPermissions(root, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                    QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                    QFileDevice::ExeGroup);
    for (const char* sub : {"conf/ppd", "spool", "cache", "state", "log", "tmp"}) {
        QDir(root).mkpath(QLatin1String(sub));
    }
    ::chmod(QString(root + "/tmp").toLocal8Bit().constData(), 01777);
    const int port = FreePort();
    server_ = "127.0.0.1:" + std::to_string(port);
    const std::string r = root.toStdString();
    WriteFile(root + "/conf/cupsd.conf", "Listen " + server_ +
                                             "\nLogLevel warn\nWebInterface No\nBrowsing No\n"
                                             "DefaultAuthType None\n"
                                             "<Location />\n  Order allow,deny\n  Allow all\n"
                                             "</Location>\n"
                                             "<Policy default>\n  <Limit All>\n"
                                             "    Order deny,allow\n  </Limit>\n</Policy>\n");
    WriteFile(root + "/conf/cups-files.conf",
              "ServerRoot " + r + "/conf\nRequestRoot " + r + "/spool\nCacheDir " + r +
                  "/cache\nStateDir " + r + "/state\nTempDir " + r +
                  "/tmp\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nAccessLog " + r +
                  "/log/access_log\nErrorLog " + r + "/log/error_log\nPageLog " + r +
                  "/log/page_log\nSystemGroup root\n");
    cupsd_ = std::make_unique<QProcess>();
    // The scheduler ends with the test process, however that ends.
    cupsd_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    cupsd_->setProcessChannelMode(QProcess::MergedChannels);
    cupsd_->start(QStringLiteral("cupsd"),
                  {"-f", "-c", root + "/conf/cupsd.conf", "-s", root + "/conf/cups-files.conf"});
    if (!cupsd_->waitForStarted(10000)) {
        failure_ = "cupsd did not start";
        return;
    }
    // Every CUPS client of this process and of the tools below asks it.
    qputenv("CUPS_SERVER", QByteArray::fromStdString(server_));
    bool running = false;
    for (int i = 0; i < 100 && !running; ++i) {
        running = Output(QStringLiteral("lpstat"), {"-r"}).find("is running") != std::string::npos;
        if (!running) {
            if (cupsd_->state() == QProcess::NotRunning) {
                break;
            }
            QThread::msleep(100);
        }
    }
    if (!running) {
        failure_ = "cupsd cannot run here: " + cupsd_->readAll().toStdString();
        return;
    }
    // The files of earlier runs that ended before they could remove them.
    const QDir configDir{QLatin1String(kBackendConfigDir)};
    const QRegularExpression runFile(QStringLiteral("^cups-pdf-marlune-test-(\\d+)-"));
    for (const QString& file : configDir.entryList({"cups-pdf-marlune-test-*.conf"})) {
        const QString pid = runFile.match(file).captured(1);
        if (!pid.isEmpty() && !QFile::exists("/proc/" + pid)) {
            QFile::remove(configDir.filePath(file));
        }
    }
    prefix_ = "marlune-test-" + std::to_string(::getpid()) + "-";
    for (const std::string& queue : queues) {
        if (!Add(queue)) {
            return;
        }
    }
    if (!queues.empty()) {
        Run({"lpadmin", "-d", QString::fromStdString(Name(queues.front()))});
    }
}

CupsQueues::~CupsQueues()
{
    for (const std::string& config : configs_) {
        QFile::remove(QString::fromStdString(config));
    }
    if (cupsd_ && cupsd_->state() != QProcess::NotRunning) {
        cupsd_->terminate();
        if (!cupsd_->waitForFinished(10000)) {
            cupsd_->kill();
            cupsd_->waitForFinished();
        }
    }
}

bool CupsQueues::Add(const std::string& queue)
{
    const std::string r = dir_.path().toStdString();
    const std::string name = Name(queue);
    const std::string config = std::string(kBackendConfigDir) + "/cups-pdf-" + name + ".conf";
    const std::string out = OutDir(queue);
    QDir().mkpath(QString::fromStdString(out));
    // The job number in each file name keeps the jobs apart.
    if (!WriteFile(QString::fromStdString(config), "Out " + out + "\nAnonDirName " + out +
                                                       "\nSpool " + r + "/spool/cups-pdf\nLog " +
                                                       r + "/log\nLabel 1\nUserUMask 0000\n")) {
        failure_ = "cannot write " + config;
        return false;
    }
    configs_.push_back(config);
    std::string output;
    if (!Run({"lpadmin", "-p", QString::fromStdString(name), "-E", "-v",
              QString::fromStdString("cups-pdf:/" + name), "-P", kPdfPpd, "-o", "PageSize=A4", "-o",
              // Poppler's cairo renderer keeps the text readable through
              // the PostScript the backend takes.
              "pdftops-renderer-default=pdftocairo"},
             &output)) {
        failure_ = "lpadmin failed: " + output;
        return false;
    }
    return true;
}

std::string CupsQueues::Name(const std::string& queue) const
{
    return prefix_ + queue;
}

std::string CupsQueues::OutDir(const std::string& queue) const
{
    return dir_.path().toStdString() + "/out-" + queue;
}

bool CupsQueues::Run(const QStringList& command, std::string* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.front(), command.mid(1));
    const bool finished = process.waitForFinished(30000);
    if (output != nullptr) {
        *output = process.readAll().toStdString();
    }
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::vector<ArrivedJob> CupsQueues::TakeJobs(const std::string& queue)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline &&
           !Output(QStringLiteral("lpstat"), {"-o", QString::fromStdString(Name(queue))}).empty()) {
        QThread::msleep(50);
    }
    std::vector<ArrivedJob> jobs;
    const QDir out(QString::fromStdString(OutDir(queue)));
    const QRegularExpression number(QStringLiteral("job_(\\d+)"));
    for (const QString& file : out.entryList({"*.pdf"}, QDir::Files)) {
        const std::string path = out.filePath(file).toStdString();
        if (std::find(seen_.begin(), seen_.end(), path) != seen_.end()) {
            continue;
        }
        seen_.push_back(path);
        ArrivedJob job;
        job.id = number.match(file).captured(1).toInt();
        job.file = path;
        std::string text =
            Output(QStringLiteral("pdftotext"), {"-layout", QString::fromStdString(path), "-"});
        // Pages end with a form feed.
        std::size_t start = 0;
        for (std::size_t ff = text.find('\f'); ff != std::string::npos;
             ff = text.find('\f', start)) {
            job.pages.push_back(text.substr(start, ff - start));
            start = ff + 1;
        }
        jobs.push_back(std::move(job));
    }
    std::sort(jobs.begin(), jobs.end(),
              [](const ArrivedJob& a, const ArrivedJob& b) { return a.id < b.id; });
    return jobs;
}

std::string PdfInfo(const std::string& file, const std::string& key)
{
    const std::string info = Output(QStringLiteral("pdfinfo"), {QString::fromStdString(file)});
    const std::string prefix = key + ":";
    for (std::size_t start = 0; start < info.size();) {
        std::size_t end = info.find('\n', start);
        if (end == std::string::npos) {
            end = info.size();
        }
        const std::string line = info.substr(start, end - start);
        if (line.rfind(prefix, 0) == 0) {
            const std::size_t value = line.find_first_not_of(' ', prefix.size());
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        start = end + 1;
    }
    return {};
}

} // namespace marlune::testing
