#include "report/viewfactory.h"

#include "platform/error.h"
#include "report/bandview.h"
#include "report/kinds.h"
#include "report/lineview.h"
#include "report/memoview.h"
#include "report/pictureview.h"

#include <map>

namespace marlune::report {

namespace {

std::map<std::string, ViewCreator>& AddIns()
{
    static std::map<std::string, ViewCreator> addIns;
    return addIns;
}

} // namespace

void RegisterAddIn(const std::string& className, ViewCreator creator)
{
    AddIns()[className] = std::move(creator);
}

void UnregisterAddIn(const std::string& className)
{
    AddIns().erase(className);
}

std::unique_ptr<ReportView> CreateView(int kind, const std::string& className)
{
    switch (kind) {
    case okMemo:
        return std::make_unique<MemoView>();
    case okPicture:
        return std::make_unique<PictureView>();
    case okBand:
        return std::make_unique<BandView>();
    case okSubReport:
        return std::make_unique<SubReportView>();
    case okLine:
        return std::make_unique<LineView>();
    case okAddIn: {
        const auto it = AddIns().find(className);
        if (it == AddIns().end()) {
            throw Error("Class not found: " + className);
        }
        auto view = it->second();
        view->Kind = okAddIn;
        return view;
    }
    default:
        return nullptr;
    }
}

} // namespace marlune::report
