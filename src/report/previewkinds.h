#pragma once

// What a report asks of its preview window: the toolbar buttons it shows
// and the zoom it opens with.
namespace marlune::report {

enum PreviewButton : unsigned {
    pbZoom = 1,
    pbLoad = 2,
    pbSave = 4,
    pbPrint = 8,
    pbFind = 16,
    pbHelp = 32,
    pbExit = 64,
};
using PreviewButtons = unsigned;
inline constexpr PreviewButtons kAllPreviewButtons =
    pbZoom | pbLoad | pbSave | pbPrint | pbFind | pbHelp | pbExit;

// The zoom a preview opens with; pzDefault keeps the remembered one.
enum PreviewZoom { pzDefault, pzPageWidth, pzOnePage, pzTwoPages };

} // namespace marlune::report
