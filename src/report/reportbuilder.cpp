#include "report/reportbuilder.h"

#include "platform/error.h"
#include "report/bandview.h"
#include "report/buildprogress.h"
#include "report/expr/datetimeformat.h"
#include "report/expr/errors.h"
#include "report/expr/lexer.h"
#include "report/memoview.h"
#include "report/report.h"
#include "report/reportpage.h"

#include <QDateTime>

#include <algorithm>

namespace marlune::report {

ReportBuilder::ReportBuilder(Report& report) : report_(report)
{
    expressions_.namedValues = this;
    expressions_.dataFields = this;
    expressions_.buildVariables = &variables_;
    expressions_.OnGetValue = report.OnGetValue;
}

ReportBuilder::~ReportBuilder() = default;

bool ReportBuilder::Build()
{
    variables_.buildStart = SerialFromDateTime(QDateTime::currentDateTime());
    namedValues_.clear();
    for (const ReportValue& value : report_.Values) {
        NamedValue entry;
        entry.kind = static_cast<NamedValue::Kind>(std::min<int>(value.Kind, 3));
        entry.dataset = value.Dataset;
        entry.field = value.Field;
        entry.expression = value.Field;
        entry.special = value.OtherKind;
        namedValues_.emplace(UpperAscii(value.Name), std::move(entry));
    }
    doublePass_ = report_.DoublePass;
    savedPageCount_ = 0;
    firstPassTerminated_ = false;
    const bool result = PassControl();
    finalPass_ = false;
    return result;
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

bool ReportBuilder::PassControl()
{
    report_.Terminated = false;
    append_ = false;
    drawingDisabled_ = false;
    finalPass_ = true;
    pageNumber_ = 0;
    report_.Prepared.Clear();
    caption_ = report_.ProgressCaption();
    BuildProgress* window = Window();
    const auto step = [this] { BuildStep(); };
    const auto cancel = [this] { report_.Terminate(); };
    if (doublePass_) {
        drawingDisabled_ = true;
        finalPass_ = false;
        progressText_ = "Performing 1st pass:";
        if (window != nullptr) {
            window->RunModal(caption_, progressText_ + "  1", step, cancel);
        } else {
            BuildStep();
        }
        return !firstPassTerminated_;
    }
    progressText_ = "Processing page:";
    if (window == nullptr) {
        BuildStep();
        return true;
    }
    if (window->Showing()) {
        // The final pass, started from inside the first.
        doublePass_ = !firstPassTerminated_;
        window->SetLine(progressText_ + "  1");
        BuildStep();
        return true;
    }
    savedPageCount_ = 0;
    return window->RunModal(caption_, progressText_ + "  1", step, cancel);
}

void ReportBuilder::BuildStep()
{
    BuildOnce();
    if (finalPass_) {
        BuildProgress* window = Window();
        if (window != nullptr && window->Showing()) {
            window->Close(report_.Terminated);
        }
        return;
    }
    firstPassTerminated_ = report_.Terminated;
    if (firstPassTerminated_) {
        // Its page count would be wrong on every page of a final pass: the
        // build stops here, with nothing to show.
        report_.Prepared.Clear();
        BuildProgress* window = Window();
        if (window != nullptr && window->Showing()) {
            window->Close(true);
        }
        return;
    }
    savedPageCount_ = report_.Prepared.Count();
    doublePass_ = false;
    PassControl();
    doublePass_ = true;
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
    if (finalPass_ && doublePass_) {
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
    pages_.clear();
    for (const auto& source : report_.Pages) {
        pages_.push_back(PreparePage(*source));
    }
    // A page shown by a sub-report is formed there, not on its own.
    for (const auto& page : pages_) {
        for (const auto& view : page->views) {
            const auto* sub = dynamic_cast<const SubReportView*>(view.get());
            if (sub != nullptr && sub->SubPage >= 0 &&
                static_cast<std::size_t>(sub->SubPage) < pages_.size()) {
                pages_[static_cast<std::size_t>(sub->SubPage)]->skip = true;
            }
        }
    }
    initialised_.clear();
    for (const auto& page : pages_) {
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
        Progress(pageNumber_ + 1);
        for (std::size_t i = 0; i < pages_.size() && !report_.Terminated; ++i) {
            RuntimePage& page = *pages_[i];
            if (page.skip) {
                continue;
            }
            FormPage(page);
            append_ = false;
            const bool lastPage = i + 1 == pages_.size();
            const bool moreRecords = multiple != nullptr && !multiple->Eof();
            if ((lastPage && moreRecords) ||
                (!lastPage && pages_[i + 1]->source->PrintToPrevPage)) {
                --pageNumber_;
                append_ = true;
            } else {
                pageNumber_ = report_.Prepared.Count();
                Progress(pageNumber_);
            }
        }
        Progress(pageNumber_ + 1);
        if (multiple != nullptr) {
            multiple->Next();
        }
    } while (!report_.Terminated && multiple != nullptr && !multiple->Eof());

    for (ReportDataset* dataset : initialised_) {
        dataset->Exit();
    }
    initialised_.clear();
    pages_.clear();
    stack_.clear();
    currentBand_ = nullptr;
    currentPage_ = nullptr;
    if (multiple != nullptr) {
        multiple->Exit();
    }
}

// ---- output of one view

void ReportBuilder::UpdateVariables()
{
    variables_.pageIndex = pageNumber_;
    variables_.totalPages = savedPageCount_;
    Band* band = currentBand_;
    if (band != nullptr && band->dataset == nullptr) {
        while (band->prev != nullptr) {
            band = band->prev;
        }
    }
    variables_.line = band != nullptr ? band->positionLocal : 0;
    variables_.lineThrough = band != nullptr ? band->positionGlobal : 0;
    variables_.column = currentPage_ != nullptr ? currentPage_->columnPosition : 0;
    variables_.current = currentPage_ != nullptr ? currentPage_->curPosition : 0;
}

Lines ReportBuilder::ExpandMemo(const ReportView& view)
{
    UpdateVariables();
    ValueFormat format;
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
        found = scripts_.emplace(&view, ScriptInterpreter::Compile(view.Script)).first;
    }
    ReportView* outer = scriptView_;
    scriptView_ = &view;
    UpdateVariables();
    try {
        ScriptInterpreter::Run(found->second, *this, expressions_);
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
            report_.Prepared.Output(pageNumber_, view);
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
    report_.Prepared.Output(pageNumber_, *memo);
    memo->Memo.swap(text);
    memo->Font = font;
    memo->FillColor = fill;
    for (ReportView* hook : hooks_) {
        hook->HookNotify();
    }
}

void ReportBuilder::Fail(ReportView& view, const Band& band)
{
    std::string text = "An error occured during calculating";
    for (const std::string& line : view.Memo) {
        text += "\n" + line;
    }
    text += "\nReport: " + report_.Name;
    text += "\nBand: " + BandKindName(band.kind);
    report_.ErrorFlag = true;
    report_.ErrorText = std::move(text);
    report_.Terminated = true;
}

void ReportBuilder::DrawView(RuntimePage& page, Band& band, ReportView& view)
{
    if (drawingDisabled_ || report_.ErrorFlag) {
        return;
    }
    const int left = view.Left;
    const int top = view.Top;
    view.Left += page.xAdjust - page.source->LeftMargin();
    view.Top += band.top;
    try {
        OutputView(view);
    } catch (const std::exception&) {
        Fail(view, band);
    }
    view.Left = left;
    view.Top = top;
}

// ---- what expressions and scripts ask of the build

const NamedValue* ReportBuilder::FindNamedValue(const std::string& name) const
{
    const auto found = namedValues_.find(UpperAscii(name));
    return found != namedValues_.end() ? &found->second : nullptr;
}

ReportDataset* ReportBuilder::DefaultDataset() const
{
    if (currentBand_ == nullptr || currentPage_ == nullptr) {
        return nullptr;
    }
    int level = 0;
    switch (currentBand_->kind) {
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
        return currentPage_->Of(bkCrossData).dataset;
    default:
        return nullptr;
    }
    const Band* band = levelDataBand_[static_cast<std::size_t>(level)];
    if (band == nullptr) {
        band = &currentPage_->Of(bkMasterData + 3 * (level - 1));
    }
    return band->dataset;
}

std::optional<Value> ReportBuilder::FieldValue(const FieldName& name)
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
    if (currentPage_ == nullptr) {
        return nullptr;
    }
    for (const auto& view : currentPage_->views) {
        if (UpperAscii(view->Name) == UpperAscii(name)) {
            return view.get();
        }
    }
    return nullptr;
}

bool ReportBuilder::SetProperty(const std::string& name, ViewProperty property, const Value& value)
{
    ReportView* view = ScriptView(name);
    if (view == nullptr) {
        return false;
    }
    const FormatSettings& settings = expressions_.Settings();
    const auto integer = [&] { return static_cast<std::int32_t>(value.ToInteger(settings)); };
    auto* memo = dynamic_cast<MemoView*>(view);
    switch (property) {
    case ViewProperty::Width:
        view->Width = integer();
        break;
    case ViewProperty::Height:
        view->Height = integer();
        break;
    case ViewProperty::Flags:
        view->Flags = static_cast<std::uint16_t>(integer());
        break;
    case ViewProperty::Visible:
        view->Visible = value.ToBoolean(settings);
        break;
    case ViewProperty::FrameTyp:
        view->FrameTyp = static_cast<std::uint16_t>(integer());
        break;
    case ViewProperty::FrameWidth:
        view->FrameWidth = static_cast<float>(value.ToFloat(settings));
        break;
    case ViewProperty::FrameColor:
        view->FrameColor = static_cast<TColor>(integer());
        break;
    case ViewProperty::FillColor:
        view->FillColor = static_cast<TColor>(integer());
        break;
    case ViewProperty::Text:
        view->Memo = {value.ToText(settings)};
        break;
    case ViewProperty::Adjust:
        if (memo != nullptr) {
            memo->Adjust = integer();
        }
        break;
    case ViewProperty::FontName:
        if (memo != nullptr) {
            memo->Font.Name = value.ToText(settings);
        }
        break;
    case ViewProperty::FontSize:
        if (memo != nullptr) {
            memo->Font.Size = integer();
        }
        break;
    case ViewProperty::FontStyle:
        if (memo != nullptr) {
            memo->Font.Style = static_cast<std::uint16_t>(integer());
        }
        break;
    case ViewProperty::FontColor:
        if (memo != nullptr) {
            memo->Font.Color = static_cast<TColor>(integer());
        }
        break;
    }
    return true;
}

std::optional<Value> ReportBuilder::GetProperty(const std::string& name,
                                                ViewProperty property) const
{
    const ReportView* view = ScriptView(name);
    if (view == nullptr) {
        return std::nullopt;
    }
    const auto* memo = dynamic_cast<const MemoView*>(view);
    switch (property) {
    case ViewProperty::Width:
        return Value::Integer(view->Width);
    case ViewProperty::Height:
        return Value::Integer(view->Height);
    case ViewProperty::Flags:
        return Value::Integer(view->Flags);
    case ViewProperty::Visible:
        return Value::Boolean(view->Visible);
    case ViewProperty::FrameTyp:
        return Value::Integer(view->FrameTyp);
    case ViewProperty::FrameWidth:
        return Value::Float(view->FrameWidth);
    case ViewProperty::FrameColor:
        return Value::Integer(static_cast<std::int64_t>(view->FrameColor));
    case ViewProperty::FillColor:
        return Value::Integer(static_cast<std::int64_t>(view->FillColor));
    case ViewProperty::Text: {
        std::string text;
        for (const std::string& line : view->Memo) {
            text += (text.empty() ? "" : "\r\n") + line;
        }
        return Value::Text(text);
    }
    case ViewProperty::Adjust:
        return Value::Integer(memo != nullptr ? memo->Adjust : 0);
    case ViewProperty::FontName:
        return Value::Text(memo != nullptr ? memo->Font.Name : std::string());
    case ViewProperty::FontSize:
        return Value::Integer(memo != nullptr ? memo->Font.Size : 0);
    case ViewProperty::FontStyle:
        return Value::Integer(memo != nullptr ? memo->Font.Style : 0);
    case ViewProperty::FontColor:
        return Value::Integer(memo != nullptr ? static_cast<std::int64_t>(memo->Font.Color) : 0);
    }
    return std::nullopt;
}

int ReportBuilder::FreeSpace() const
{
    if (currentPage_ == nullptr) {
        return 0;
    }
    return currentPage_->bottomLimit - currentPage_->curY;
}

void ReportBuilder::RequestBreak(ScriptBreak kind)
{
    if (currentBand_ == nullptr) {
        return;
    }
    if (kind == ScriptBreak::NewPage) {
        currentBand_->forceNewPage = true;
    } else {
        currentBand_->forceNewColumn = true;
    }
}

} // namespace marlune::report
