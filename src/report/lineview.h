#pragma once

#include "report/reportview.h"

namespace marlune::report {

// A line: one frame edge of the view (the top edge when it is wider than
// high, else the left edge) with the view's pen.
class LineView : public ClonableView<LineView, ReportView> {
public:
    LineView();
    void Draw(QPainter& painter) override;
    std::string BaseName() const override { return "Line"; }
};

} // namespace marlune::report
