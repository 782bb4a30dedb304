#pragma once

#include "report/reportview.h"

// Band markers and sub-report markers: the builder turns them into runtime
// objects; they are never drawn on output.
namespace marlune::report {

// Band marker flags.
inline constexpr std::uint16_t flBandNewPageAfter = 2;
inline constexpr std::uint16_t flBandPrintIfSubsetEmpty = 4;
inline constexpr std::uint16_t flBandBreaked = 8;
inline constexpr std::uint16_t flBandOnFirstPage = 0x10;
inline constexpr std::uint16_t flBandOnLastPage = 0x20;
inline constexpr std::uint16_t flBandRepeatHeader = 0x40;

// FrameTyp holds the band kind, the format text the dataset name.
class BandView : public ClonableView<BandView, ReportView> {
public:
    BandView();
    void Draw(QPainter& /*painter*/) override {}
    std::string BaseName() const override { return "Band"; }
    int BandKind() const { return FrameTyp; }
};

class SubReportView : public ClonableView<SubReportView, ReportView> {
public:
    SubReportView();
    void Assign(const ReportView& source) override;
    void Draw(QPainter& /*painter*/) override {}
    void ReadFromStream(StreamReader& reader, ViewForm form) override;
    void WriteToStream(StreamWriter& writer, ViewForm form) const override;
    bool SameStoredData(const ReportView& other, ViewForm form) const override;
    std::string BaseName() const override { return "SubReport"; }

    std::int32_t SubPage = 0;
};

} // namespace marlune::report
