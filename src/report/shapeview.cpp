#include "report/shapeview.h"

#include "report/kinds.h"
#include "report/streamio.h"
#include "report/units.h"
#include "report/viewfactory.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>

namespace marlune::report {

ShapeView::ShapeView() : ClonableView(okAddIn, "ShapeView") {}

void ShapeView::Assign(const ReportView& source)
{
    ReportView::Assign(source);
    if (const auto* shape = dynamic_cast<const ShapeView*>(&source)) {
        Shape = shape->Shape;
    }
}

void ShapeView::Draw(QPainter& painter)
{
    ComputeDrawRect();
    // The base fill and frame are not used: the shape is its own outline.
    if (DrawingDisabled) {
        RestoreGeometry();
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int penWidth = Round(FrameWidth);
    QPen pen(platform::paint::ColorToQColor(FrameColor), penWidth);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    if (FillColor == platform::paint::clNone) {
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.setBrush(platform::paint::ColorToQColor(FillColor));
    }
    // The box through the pixel centres of its outermost pixels.
    const QRectF box(DrawRect.left + 0.5, DrawRect.top + 0.5, DrawRect.right - DrawRect.left - 1,
                     DrawRect.bottom - DrawRect.top - 1);
    switch (Shape) {
    case skRoundRectangle: {
        const double corner = Div(std::min(Width, Height), 4);
        painter.drawRoundedRect(box, corner / 2, corner / 2);
        break;
    }
    case skEllipse:
        painter.drawEllipse(box);
        break;
    case skTriangle: {
        const QPointF apex((box.left() + box.right()) / 2, box.top());
        painter.drawPolygon(QPolygonF({box.bottomRight(), box.bottomLeft(), apex}));
        break;
    }
    default:
        painter.drawRect(box);
        break;
    }
    painter.restore();
    RestoreGeometry();
}

void ShapeView::ReadFromStream(StreamReader& reader, ViewForm form)
{
    ReportView::ReadFromStream(reader, form);
    Shape = reader.ReadByte();
}

void ShapeView::WriteToStream(StreamWriter& writer, ViewForm form) const
{
    ReportView::WriteToStream(writer, form);
    writer.WriteByte(Shape);
}

bool ShapeView::SameStoredData(const ReportView& other, ViewForm form) const
{
    const auto* shape = dynamic_cast<const ShapeView*>(&other);
    return shape != nullptr && ReportView::SameStoredData(other, form) && Shape == shape->Shape;
}

ShapeObject::ShapeObject()
{
    RegisterAddIn("ShapeView", [] { return std::make_unique<ShapeView>(); });
}

ShapeObject::~ShapeObject()
{
    UnregisterAddIn("ShapeView");
}

} // namespace marlune::report
