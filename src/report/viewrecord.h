#pragma once

#include "report/reportview.h"

#include <memory>
#include <string>
#include <vector>

namespace marlune::platform {
class Stream;
}

// The object record's head (kind, class name for add-ins) and view data,
// shared by the template stream and the page form of prepared pages.
namespace marlune::report {

struct ViewRecord {
    std::unique_ptr<ReportView> view;
    // Read as a memo; the record holds 8 more bytes after its memo data.
    bool framedMemo = false;
};

// Reads the class name of an add-in record and creates the view; raises
// marlune::Error for a kind or class that makes no view.
ViewRecord CreateViewForRecord(StreamReader& reader, int kind);
void ReadViewData(StreamReader& reader, ViewRecord& record, ViewForm form);

// The kind byte and, for an add-in, its class name.
void WriteViewHead(StreamWriter& writer, const ReportView& view);

// A prepared page's views: the version byte, then per view its head and its
// page-form data. Reading raises marlune::Error on bad input.
std::string WritePageForm(const std::vector<std::unique_ptr<ReportView>>& views);
std::vector<std::unique_ptr<ReportView>> ReadPageForm(platform::Stream& stream);

} // namespace marlune::report
