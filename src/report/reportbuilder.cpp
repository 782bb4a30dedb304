#include "report/reportbuilder.h"

#include "platform/error.h"
#include "report/buildprogress.h"
#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/lexer.h"
#include "report/memoview.h"
#include "report/preparedpages.h"
#include "report/report.h"
#include "report/reportpage.h"

#include <QDateTime>

#include <algorithm>

namespace marlune::report {

ReportBuilder::ReportBuilder(Report& report, PreparedPages& target)
    : report_(report), prepared_(target), former_(report, target, *this)
{
    expressions_.namedValues = this;
    expressions_.dataFields = this;
    expressions_.buildVariables = &variables_;
    expressions_.OnGetValue = report.OnGetValue;
}

ReportBuilder::~ReportBuilder() = default;

bool ReportBuilder::Build()
{
    variables_.buildStart = expr::SerialFromDateTime(QDateTime::currentDateTime());
    namedValues_.clear();
    for (const ReportValue& value : report_.Values) {
        expr::NamedValue entry;
        entry.kind = static_cast<expr::NamedValue::Kind>(std::min<int>(value.Kind, 3));
        entry.dataset = value.Dataset;
        entry.field = value.Field;
        entry.expression = value.Field;
        entry.special = value.OtherKind;
        namedValues_.emplace(platform::UpperAscii(value.Name), std::move(entry));
    }
    savedPageCount_ = 0;
    firstPassTerminated_ = false;
    const bool twoPasses = report_.DoublePass;
    BuildProgress* window = Window();
    StartPass(twoPasses ? Pass::First : Pass::Final);
    // The passes run inside the progress window's modal loop, except for a
    // single pass started while the window is already on screen.
    if (window != nullptr && (twoPasses || !window->Showing())) {
        const bool completed = window->RunModal(
            report_.ProgressCaption(), progressText_ + "  1", [this] { RunPasses(); },
            [this] { report_.Terminate(); });
        return twoPasses ? !firstPassTerminated_ : completed;
    }
    if (window != nullptr) {
        window->SetLine(progressText_ + "  1");
    }
    RunPasses();
    return !firstPassTerminated_;
}

void ReportBuilder::StartPass(Pass pass)
{
    report_.Terminated = false;
    prepared_.Clear();
    finalPass_ = pass == Pass::Final;
    former_.Restart(finalPass_);
    if (finalPass_) {
        progressText_ = "Processing page:";
        BuildProgress* window = Window();
        showTotal_ = window != nullptr && window->Showing() && !firstPassTerminated_;
    } else {
        progressText_ = "Performing 1st pass:";
        showTotal_ = false;
    }
}

void ReportBuilder::RunPasses()
{
    BuildOnce();
    if (!finalPass_) {
        firstPassTerminated_ = report_.Terminated;
        if (firstPassTerminated_) {
            // Its page count would be wrong on every page of a final pass:
            // the build stops here, with nothing to show.
            prepared_.Clear();
            CloseWindow(true);
            return;
        }
        savedPageCount_ = prepared_.Count();
        StartPass(Pass::Final);
        BuildProgress* window = Window();
        if (window != nullptr && window->Showing()) {
            window->SetLine(progressText_ + "  1");
        }
        BuildOnce();
    }
    CloseWindow(report_.Terminated);
}

void ReportBuilder::CloseWindow(bool cancelled)
{
    BuildProgress* window = Window();
    if (window != nullptr && window->Showing()) {
        window->Close(cancelled);
    }
}

void ReportBuilder::ProcessEvents()
{
    BuildProgress* window = Window();
    if (window != nullptr && window->Showing()) {
        window->ProcessEvents();
    }
}

BuildProgress* ReportBuilder::Window() const
{
    return report_.ProgressWindow();
}

void ReportBuilder::Progress(int number)
{
    if (report_.OnProgress) {
        report_.OnProgress(number);
        return;
    }
    BuildProgress* window = Window();
    if (window == nullptr || !window->Showing()) {
        return;
    }
    std::string line = progressText_ + "  " + std::to_string(number);
    if (showTotal_) {
        line += " from " + std::to_string(savedPageCount_);
    }
    window->SetLine(line);
    window->ProcessEvents();
}

void ReportBuilder::BuildOnce()
{
    hooks_.clear();
    scripts_.clear();
    report_.ErrorFlag = false;
    report_.ErrorText.clear();
    variables_.totalPages = savedPageCount_;
    ReportDataset* multiple = report_.Type == ReportType::rtMultiple ? report_.Dataset : nullptr;
    if (multiple != nullptr) {
        multiple->Init();
        multiple->First();
    }
    former_.Prepare();
    initialised_.clear();
    for (const auto& page : former_.Pages()) {
        for (const auto& view : page->views) {
            if ((view->Flags & flWantHook) != 0) {
                hooks_.push_back(view.get());
            }
        }
        for (const auto& band : page->bands) {
            ReportDataset* dataset = band->dataset;
            if (dataset != nullptr && dataset != multiple &&
                std::find(initialised_.begin(), initialised_.end(), dataset) ==
                    initialised_.end()) {
                dataset->Init();
                initialised_.push_back(dataset);
            }
        }
    }

    do {
        Progress(former_.PageNumber() + 1);
        former_.FormPages(multiple);
        Progress(former_.PageNumber() + 1);
        if (multiple != nullptr) {
            multiple->Next();
        }
    } while (!report_.Terminated && multiple != nullptr && !multiple->Eof());

    for (ReportDataset* dataset : initialised_) {
        dataset->Exit();
    }
    initialised_.clear();
    former_.Release();
    if (multiple != nullptr) {
        multiple->Exit();
    }
}

// ---- output of one view

void ReportBuilder::UpdateVariables()
{
    variables_.pageIndex = former_.PageNumber();
    variables_.totalPages = savedPageCount_;
    const RuntimePage* page = former_.CurrentPage();
    const Band* band = former_.CurrentBand();
    if (band != nullptr && band->dataset == nullptr) {
        while (band->prev != nullptr) {
            band = band->prev;
        }
    }
    variables_.line = band != nullptr ? band->positionLocal : 0;
    variables_.lineThrough = band != nullptr ? band->positionGlobal : 0;
    variables_.column = page != nullptr ? page->columnPosition : 0;
    variables_.current = page != nullptr ? page->curPosition : 0;
}

Lines ReportBuilder::ExpandMemo(const ReportView& view)
{
    UpdateVariables();
    expr::ValueFormat format;
    format.code.raw = static_cast<std::uint32_t>(view.FormatCode);
    format.text = view.FormatText;
    return expressions_.ExpandText(view.Memo, format);
}

void ReportBuilder::RunScript(ReportView& view)
{
    if (view.Script.empty()) {
        return;
    }
    auto found = scripts_.find(&view);
    if (found == scripts_.end()) {
        found = scripts_.emplace(&view, expr::ScriptInterpreter::Compile(view.Script)).first;
    }
    ReportView* outer = scriptView_;
    scriptView_ = &view;
    UpdateVariables();
    try {
        expr::ScriptInterpreter::Run(found->second, *this, expressions_);
    } catch (...) {
        scriptView_ = outer;
        throw;
    }
    scriptView_ = outer;
}

void ReportBuilder::OutputView(ReportView& view)
{
    auto* memo = dynamic_cast<MemoView*>(&view);
    if (memo == nullptr) {
        RunScript(view);
        if (view.Visible) {
            prepared_.Output(former_.PageNumber(), view);
        }
        return;
    }
    Lines text = ExpandMemo(*memo);
    RunScript(*memo);
    if (!memo->Visible) {
        return;
    }
    const MemoFont font = memo->Font;
    const TColor fill = memo->FillColor;
    if (!memo->HighlightCondition.empty() &&
        expressions_.Evaluate(memo->HighlightCondition).ToBoolean(expressions_.Settings())) {
        memo->Font.Style = memo->Highlight.Style;
        memo->Font.Color = memo->Highlight.FontColor;
        memo->FillColor = memo->Highlight.FillColor;
    }
    memo->Memo.swap(text);
    prepared_.Output(former_.PageNumber(), *memo);
    memo->Memo.swap(text);
    memo->Font = font;
    memo->FillColor = fill;
    for (ReportView* hook : hooks_) {
        hook->HookNotify();
    }
}

int ReportBuilder::MeasureView(ReportView& view)
{
    auto* stretchable = dynamic_cast<StretchableView*>(&view);
    if (stretchable == nullptr) {
        return 0;
    }
    auto* memo = dynamic_cast<MemoView*>(&view);
    if (memo == nullptr) {
        return stretchable->MeasureHeight();
    }
    Lines text = ExpandMemo(*memo);
    memo->Memo.swap(text);
    const int height = memo->MeasureHeight();
    memo->Memo.swap(text);
    return height;
}

expr::Value ReportBuilder::Evaluate(const std::string& expression)
{
    return expressions_.Evaluate(expression);
}

// ---- what expressions and scripts ask of the build

const expr::NamedValue* ReportBuilder::FindNamedValue(const std::string& name) const
{
    const auto found = namedValues_.find(platform::UpperAscii(name));
    return found != namedValues_.end() ? &found->second : nullptr;
}

ReportDataset* ReportBuilder::DefaultDataset() const
{
    const Band* current = former_.CurrentBand();
    RuntimePage* page = former_.CurrentPage();
    if (current == nullptr || page == nullptr) {
        return nullptr;
    }
    int level = 0;
    switch (current->kind) {
    case bkMasterData:
    case bkMasterFooter:
    case bkReportSummary:
    case bkGroupHeader:
    case bkGroupFooter:
        level = 1;
        break;
    case bkDetailData:
    case bkDetailFooter:
        level = 2;
        break;
    case bkSubdetailData:
    case bkSubdetailFooter:
        level = 3;
        break;
    case bkCrossHeader:
    case bkCrossData:
    case bkCrossFooter:
        return page->Of(bkCrossData).dataset;
    default:
        return nullptr;
    }
    const Band* band = former_.LevelDataBand(level);
    if (band == nullptr) {
        band = &page->Of(DataOf(level));
    }
    return band->dataset;
}

std::optional<expr::Value> ReportBuilder::FieldValue(const expr::FieldName& name)
{
    ReportDataset* dataset = nullptr;
    if (name.component.empty()) {
        dataset = DefaultDataset();
    } else {
        dataset = report_.FindDataset(name.component);
    }
    if (dataset == nullptr) {
        return std::nullopt;
    }
    return dataset->FieldValue(name.field);
}

ReportView* ReportBuilder::ScriptView(const std::string& name) const
{
    if (name.empty()) {
        return scriptView_;
    }
    const RuntimePage* page = former_.CurrentPage();
    if (page == nullptr) {
        return nullptr;
    }
    for (const auto& view : page->views) {
        if (platform::UpperAscii(view->Name) == platform::UpperAscii(name)) {
            return view.get();
        }
    }
    return nullptr;
}

bool ReportBuilder::SetProperty(const std::string& name, expr::ViewProperty property,
                                const expr::Value& value)
{
    ReportView* view = ScriptView(name);
    if (view == nullptr) {
        return false;
    }
    const expr::FormatSettings& settings = expressions_.Settings();
    const auto integer = [&] { return static_cast<std::int32_t>(value.ToInteger(settings)); };
    auto* memo = dynamic_cast<MemoView*>(view);
    switch (property) {
    case expr::ViewProperty::Width:
        view->Width = integer();
        break;
    case expr::ViewProperty::Height:
        view->Height = integer();
        break;
    case expr::ViewProperty::Flags:
        view->Flags = static_cast<std::uint16_t>(integer());
        break;
    case expr::ViewProperty::Visible:
        view->Visible = value.ToBoolean(settings);
        break;
    case expr::ViewProperty::FrameTyp:
        view->FrameTyp = static_cast<std::uint16_t>(integer());
        break;
    case expr::ViewProperty::FrameWidth:
        view->FrameWidth = static_cast<float>(value.ToFloat(settings));
        break;
    case expr::ViewProperty::FrameColor:
        view->FrameColor = static_cast<TColor>(integer());
        break;
    case expr::ViewProperty::FillColor:
        view->FillColor = static_cast<TColor>(integer());
        break;
    case expr::ViewProperty::Text:
        view->Memo = {value.ToText(settings)};
        break;
    case expr::ViewProperty::Adjust:
        if (memo != nullptr) {
            memo->Adjust = integer();
        }
        break;
    case expr::ViewProperty::FontName:
        if (memo != nullptr) {
            memo->Font.Name = value.ToText(settings);
        }
        break;
    case expr::ViewProperty::FontSize:
        if (memo != nullptr) {
            memo->Font.Size = integer();
        }
        break;
    case expr::ViewProperty::FontStyle:
        if (memo != nullptr) {
            memo->Font.Style = static_cast<std::uint16_t>(integer());
        }
        break;
    case expr::ViewProperty::FontColor:
        if (memo != nullptr) {
            memo->Font.Color = static_cast<TColor>(integer());
        }
        break;
    }
    return true;
}

std::optional<expr::Value> ReportBuilder::GetProperty(const std::string& name,
                                                      expr::ViewProperty property) const
{
    const ReportView* view = ScriptView(name);
    if (view == nullptr) {
        return std::nullopt;
    }
    const auto* memo = dynamic_cast<const MemoView*>(view);
    switch (property) {
    case expr::ViewProperty::Width:
        return expr::Value::Integer(view->Width);
    case expr::ViewProperty::Height:
        return expr::Value::Integer(view->Height);
    case expr::ViewProperty::Flags:
        return expr::Value::Integer(view->Flags);
    case expr::ViewProperty::Visible:
        return expr::Value::Boolean(view->Visible);
    case expr::ViewProperty::FrameTyp:
        return expr::Value::Integer(view->FrameTyp);
    case expr::ViewProperty::FrameWidth:
        return expr::Value::Float(view->FrameWidth);
    case expr::ViewProperty::FrameColor:
        return expr::Value::Integer(static_cast<std::int64_t>(view->FrameColor));
    case expr::ViewProperty::FillColor:
        return expr::Value::Integer(static_cast<std::int64_t>(view->FillColor));
    case expr::ViewProperty::Text: {
        std::string text;
        for (const std::string& line : view->Memo) {
            text += (text.empty() ? "" : "\r\n") + line;
        }
        return expr::Value::Text(text);
    }
    case expr::ViewProperty::Adjust:
        return expr::Value::Integer(memo != nullptr ? memo->Adjust : 0);
    case expr::ViewProperty::FontName:
        return expr::Value::Text(memo != nullptr ? memo->Font.Name : std::string());
    case expr::ViewProperty::FontSize:
        return expr::Value::Integer(memo != nullptr ? memo->Font.Size : 0);
    case expr::ViewProperty::FontStyle:
        return expr::Value::Integer(memo != nullptr ? memo->Font.Style : 0);
    case expr::ViewProperty::FontColor:
        return expr::Value::Integer(memo != nullptr ? static_cast<std::int64_t>(memo->Font.Color)
                                                    : 0);
    }
    return std::nullopt;
}

int ReportBuilder::FreeSpace() const
{
    const RuntimePage* page = former_.CurrentPage();
    if (page == nullptr) {
        return 0;
    }
    return page->bottomLimit - page->curY;
}

void ReportBuilder::RequestBreak(expr::ScriptBreak kind)
{
    Band* band = former_.CurrentBand();
    if (band == nullptr) {
        return;
    }
    if (kind == expr::ScriptBreak::NewPage) {
        band->forceNewPage = true;
    } else {
        band->forceNewColumn = true;
    }
}

} // namespace marlune::report
