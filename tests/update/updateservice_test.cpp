// The update service without a window, against python's http.server: what it
// reports, and what the working directory, the setting and the table hold.
#include "update/updateservice.h"

#include "datafilebytes.h"
#include "platform/registry.h"
#include "servers.h"
#include "settings/datafilesetting.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace marlune::testing {
namespace {

using Check = update::CheckOutcome::Kind;
using Install = update::InstallOutcome::Kind;

TEST(UpdateService, ReportsTheOutcomeAndInstallsOnlyAWholeDataFile)
{
    NetTestApplication();
    const std::string three = DataFileBytes({{"2000", "A"}, {"2001", "B"}, {"2002", "C"}});
    const struct {
        std::string check;    // the check file's body
        std::string download; // the named file's bytes
        Check checked;
        Install installed;
    } cases[] = {
        {"20051206.dat\n", three, Check::NoUpdate, Install::Failed},
        {"20061231.dat\n", three, Check::Available, Install::Installed},
        {"20061231.dat\n", "not a data file", Check::Available, Install::Failed},
        {"20061231.dat\n", DataFileBytes({}), Check::Available, Install::Failed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.check + " / " + std::to_string(c.download.size()) + " bytes");
        QTemporaryDir work;
        QTemporaryDir served;
        QTemporaryDir registry;
        ASSERT_TRUE(work.isValid() && served.isValid() && registry.isValid());
        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(work.path()));
        platform::SetRegistryRootDirectory(registry.path().toStdString());
        ASSERT_TRUE(WriteBytes(served.path().toStdString() + "/mrl_check.txt", c.check));
        ASSERT_TRUE(WriteBytes(served.path().toStdString() + "/20061231.dat", c.download));
        PythonHttpServer server(served.path().toStdString());
        ASSERT_TRUE(server.Running());

        net::HttpClient http;
        table::MemTable table("Table1");
        table.Open();
        settings::StoreData store;
        settings::ConfigureDataFileSetting(store);
        update::UpdateService service(http, table, store);
        service.SetHost(server.HostPort());

        const update::CheckOutcome checked = service.Check("20051206.dat");
        EXPECT_EQ(checked.kind, c.checked) << checked.text;
        if (checked.kind == Check::Available) {
            EXPECT_EQ(checked.candidate, "20061231.dat");
            const update::InstallOutcome installed = service.Install(checked.candidate, true);
            EXPECT_EQ(installed.kind, c.installed) << installed.text;
            const bool done = c.installed == Install::Installed;
            // Read back by a second table and a second store, not the service's.
            table::MemTable reread("Table1");
            reread.Open();
            if (done) {
                reread.LoadTableFile("20061231.dat");
            }
            EXPECT_EQ(reread.RecordCount(), done ? 3 : 0);
            EXPECT_EQ(table.RecordCount(), done ? 3 : 0);
            settings::StoreData second;
            settings::ConfigureDataFileSetting(second);
            EXPECT_EQ(second.ReadString(settings::kDataFileNameSetting, "(none)"),
                      done ? "20061231.dat" : "(none)");
            // Nothing else is left behind: no download, no half-written file.
            EXPECT_EQ(QDir(work.path()).entryList(QDir::Files | QDir::Hidden).size(), done ? 1 : 0);
        }
        platform::SetRegistryRootDirectory({});
        QDir::setCurrent(previous);
    }
}

} // namespace
} // namespace marlune::testing
