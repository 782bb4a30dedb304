#pragma once

#include <string>

// Band kinds (kept in a band marker's FrameTyp) and object kinds (the first
// byte of every object record).
namespace marlune::report {

enum BandKind : int {
    bkReportTitle = 0,
    bkReportSummary,
    bkPageHeader,
    bkPageFooter,
    bkMasterHeader,
    bkMasterData,
    bkMasterFooter,
    bkDetailHeader,
    bkDetailData,
    bkDetailFooter,
    bkSubdetailHeader,
    bkSubdetailData,
    bkSubdetailFooter,
    bkOverlay,
    bkColumnHeader,
    bkColumnFooter,
    bkGroupHeader,
    bkGroupFooter,
    bkCrossHeader,
    bkCrossData,
    bkCrossFooter,
    bkNone,
};

// "Report title" … "None"; an unknown code gives the empty text.
std::string BandKindName(int kind);

enum ObjectKind : int {
    okMemo = 0,
    okPicture = 1,
    okBand = 2,
    okSubReport = 3,
    okLine = 4,
    okAddIn = 10,
};

} // namespace marlune::report
