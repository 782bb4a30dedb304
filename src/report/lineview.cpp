#include "report/lineview.h"

#include "report/kinds.h"

namespace marlune::report {

LineView::LineView() : ClonableView(okLine, "LineView")
{
    FrameTyp = frLeft;
}

void LineView::Draw(QPainter& painter)
{
    if (Height < Width) {
        Height = 0;
        FrameTyp = frTop;
    } else {
        Width = 0;
        FrameTyp = frLeft;
    }
    ComputeDrawRect();
    DrawFrame(painter);
    RestoreGeometry();
}

} // namespace marlune::report
