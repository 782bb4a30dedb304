#pragma once

#include "net/httpclient.h"
#include "settings/storedata.h"
#include "table/memtable.h"

#include <string>

// The Update command as a service: the check, the download, its
// verification and the install, each reporting its outcome. Asking the user
// and showing the result are the window's.
namespace marlune::update {

struct CheckOutcome {
    enum class Kind {
        // The window closed while the check waited: nothing to say.
        Abandoned,
        // The server was not reached or did not answer; `text` says why.
        Failed,
        NoUpdate,
        // `candidate` names the newer data file on the server.
        Available,
    };
    Kind kind = Kind::NoUpdate;
    std::string text;
    std::string candidate;
};

struct InstallOutcome {
    enum class Kind {
        Abandoned,
        // Installed; `fileName` is now the data file in use (the table holds
        // it, or is closed when it could not be read back).
        Installed,
        // Nothing replaced; `text` says why.
        Failed,
        // Downloaded but its signature does not verify; `text` says why.
        Refused,
    };
    Kind kind = Kind::Failed;
    std::string text;
    std::string fileName;
};

class UpdateService {
public:
    // The service uses the client, the table and the settings of the
    // program; they outlive it.
    UpdateService(net::HttpClient& http, table::MemTable& table, settings::StoreData& store);
    UpdateService(const UpdateService&) = delete;
    UpdateService& operator=(const UpdateService&) = delete;

    // The update server, a host name or address with an optional ":port".
    const std::string& Host() const { return host_; }
    void SetHost(std::string host) { host_ = std::move(host); }
    // The minisign public key line downloads must be signed with; empty:
    // downloads are installed unsigned.
    const std::string& PublicKey() const { return publicKey_; }
    void SetPublicKey(std::string key) { publicKey_ = std::move(key); }

    // Asks the server whether a data file newer than `currentFile` exists.
    CheckOutcome Check(const std::string& currentFile);
    // Downloads `candidate` into a hidden file, installs it under its own
    // name when it loads completely (and verifies, with a key), stores its
    // name unless `writeSetting` is false, and loads it into the table.
    InstallOutcome Install(const std::string& candidate, bool writeSetting);
    // Ends a request waiting inside Check or Install; they return Abandoned.
    void Abandon();

private:
    // Why the file at path may not be installed as a data file; empty when it
    // loads completely and holds records.
    std::string DataFileProblem(const std::string& path) const;
    // Fetches candidate's ".minisig" and says why the file at path does not
    // verify against the public key; empty when it does.
    std::string SignatureProblem(const std::string& candidate, const std::string& path);
    // Why an existing file of that name may not be replaced by an update (it
    // is not a data file: the user's); empty when there is none or it is one.
    std::string ForeignFileProblem(const std::string& name) const;
    // The client back in its resting state: no limit on a body.
    void ResetHttp();

    net::HttpClient& http_;
    table::MemTable& table_;
    settings::StoreData& store_;
    std::string host_ = "localhost";
    std::string publicKey_;
    bool abandoned_ = false;
};

} // namespace marlune::update
