#include "update/updateservice.h"

#include "net/downloadfiles.h"
#include "net/minisign.h"
#include "net/updatecheck.h"
#include "platform/atomicfile.h"
#include "platform/error.h"
#include "settings/datafilesetting.h"

#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace marlune::update {
namespace {

// The check file names a file in its first characters; more is never read.
constexpr long long kCheckBodyLimit = 4096;
// A signature file is four short lines; more is never read.
constexpr long long kSignatureLimit = 16384;

} // namespace

UpdateService::UpdateService(net::HttpClient& http, table::MemTable& table,
                             settings::StoreData& store)
    : http_(http), table_(table), store_(store)
{
}

void UpdateService::Abandon()
{
    abandoned_ = true;
    http_.Abort();
}

void UpdateService::ResetHttp()
{
    http_.SetMaxBodyLength(-1);
}

CheckOutcome UpdateService::Check(const std::string& currentFile)
{
    abandoned_ = false;
    const std::string checkUrl = net::CheckFileUrl(host_);
    try {
        http_.SetMaxBodyLength(kCheckBodyLimit);
        http_.Get(checkUrl);
        http_.SetMaxBodyLength(-1);
    } catch (const std::exception& e) {
        http_.SetMaxBodyLength(-1);
        std::string text =
            (http_.ServerReached() ? "Update check failed: " : "Update server not reached: ") +
            net::TransportFailureText(e.what(), http_.LastError());
        if (http_.Url() != checkUrl) {
            text += " (redirected to " + http_.Url() + ")";
        }
        try {
            http_.Disconnect();
        } catch (...) {
            // Already closed.
        }
        if (abandoned_) {
            return {CheckOutcome::Kind::Abandoned, {}, {}};
        }
        return {CheckOutcome::Kind::Failed, text, {}};
    }
    if (abandoned_) {
        return {CheckOutcome::Kind::Abandoned, {}, {}};
    }
    const std::optional<std::string> candidate =
        net::NewerDataFile(http_.StatusCode(), http_.Body(), currentFile);
    if (!candidate) {
        return {CheckOutcome::Kind::NoUpdate, {}, {}};
    }
    return {CheckOutcome::Kind::Available, {}, *candidate};
}

InstallOutcome UpdateService::Install(const std::string& candidate, bool writeSetting)
{
    abandoned_ = false;
    const auto failed = [](std::string text) {
        return InstallOutcome{InstallOutcome::Kind::Failed, std::move(text), {}};
    };
    // A file of that name that is not a data file is the user's: never replaced.
    if (std::string mine = ForeignFileProblem(candidate); !mine.empty()) {
        return failed(std::move(mine));
    }
    std::optional<platform::PendingFile> download;
    std::string problem;
    std::string refusal; // the signature's
    try {
        // Into a hidden file in the working directory, removed on every way
        // out unless it is installed under its own name.
        download.emplace();
        if (const int error = download->Create(net::DownloadPrefix(".", candidate)); error != 0) {
            throw Error(std::string("cannot create a file in the working directory: ") +
                        std::strerror(error));
        }
        http_.GetToFile(net::DataFileUrl(host_, candidate), download->Path());
        const auto transfer = net::DownloadProblem(http_.StatusCode(), http_.StatusLine(),
                                                   http_.ContentLength(), http_.BytesReceived());
        if (transfer) {
            problem = *transfer;
        } else if (http_.BytesReceived() == 0) {
            problem = "the server sent an empty file";
        } else {
            problem = DataFileProblem(download->Path());
        }
        if (problem.empty() && !publicKey_.empty() && !abandoned_) {
            refusal = SignatureProblem(candidate, download->Path());
        }
    } catch (const std::exception& e) {
        problem = net::TransportFailureText(e.what(), http_.LastError());
    }
    ResetHttp();
    if (abandoned_) {
        return {InstallOutcome::Kind::Abandoned, {}, {}};
    }
    if (!problem.empty()) {
        return failed(std::move(problem));
    }
    if (!refusal.empty()) {
        return {InstallOutcome::Kind::Refused, std::move(refusal), {}};
    }

    struct stat existing {};
    const bool existed = ::lstat(candidate.c_str(), &existing) == 0;
    try {
        // A file that appeared meanwhile is not replaced unless it is a data file.
        if (const std::string mine = ForeignFileProblem(candidate); !mine.empty()) {
            throw Error(mine);
        }
        if (const int error = download->Install(candidate, existed); error != 0) {
            throw Error("cannot rename the downloaded file to " + candidate + ": " +
                        std::strerror(error));
        }
        if (writeSetting) {
            store_.WriteString(settings::kDataFileNameSetting, candidate);
        }
    } catch (const std::exception& e) {
        if (!existed && download->Path().empty()) {
            ::unlink(candidate.c_str());
        }
        return failed(e.what());
    }
    InstallOutcome outcome{InstallOutcome::Kind::Installed, {}, candidate};
    try {
        // Without a stored setting this run goes on with the new file by itself.
        if (writeSetting) {
            outcome.fileName =
                store_.ReadString(settings::kDataFileNameSetting, settings::kDefaultDataFileName);
        }
        table_.LoadTableFile(outcome.fileName);
    } catch (...) {
        table_.Close();
    }
    return outcome;
}

std::string UpdateService::SignatureProblem(const std::string& candidate, const std::string& path)
{
    const std::optional<net::MinisignKey> key = net::ParseMinisignKey(publicKey_);
    if (!key) {
        return "the program's public key is not a minisign key";
    }
    http_.SetMaxBodyLength(kSignatureLimit);
    http_.Get(net::DataFileUrl(host_, candidate + ".minisig"));
    http_.SetMaxBodyLength(-1);
    if (http_.StatusCode() < 200 || http_.StatusCode() > 299) {
        return "no signature: " + http_.StatusLine();
    }
    return net::MinisignProblem(path, http_.Body(), *key);
}

std::string UpdateService::DataFileProblem(const std::string& path) const
{
    // Only a file that loads completely, with records, replaces anything.
    table::MemTable trial(table_.Name());
    trial.Open();
    try {
        trial.LoadTableFile(path);
    } catch (const std::exception& e) {
        return std::string("the download is not a data file: ") + e.what();
    }
    if (trial.RecordCount() < 1) {
        return "the data file holds no records";
    }
    return {};
}

std::string UpdateService::ForeignFileProblem(const std::string& name) const
{
    struct stat status {};
    if (::lstat(name.c_str(), &status) != 0) {
        return {};
    }
    if (!S_ISREG(status.st_mode) || !DataFileProblem(name).empty()) {
        return name + " in the working directory is not a data file of this program; it is "
                      "left as it is";
    }
    return {};
}

} // namespace marlune::update
