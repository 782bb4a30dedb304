#pragma once

#include "report/reportview.h"

// The shape add-in: rectangle, rounded rectangle, ellipse or triangle, drawn
// with the frame pen and filled with the fill colour.
namespace marlune::report {

enum ShapeKind : std::uint8_t {
    skRectangle = 0,
    skRoundRectangle = 1,
    skEllipse = 2,
    skTriangle = 3,
};

class ShapeView : public ClonableView<ShapeView, ReportView> {
public:
    ShapeView();
    void Assign(const ReportView& source) override;
    void Draw(QPainter& painter) override;
    void ReadFromStream(StreamReader& reader, ViewForm form) override;
    void WriteToStream(StreamWriter& writer, ViewForm form) const override;
    bool SameStoredData(const ReportView& other, ViewForm form) const override;
    std::string BaseName() const override { return "Shape"; }

    std::uint8_t Shape = skRectangle;
};

// The component that registers ShapeView as an add-in class while it lives
// (the main window holds one, ShapeObject1).
class ShapeObject {
public:
    ShapeObject();
    ~ShapeObject();
    ShapeObject(const ShapeObject&) = delete;
    ShapeObject& operator=(const ShapeObject&) = delete;
};

} // namespace marlune::report
