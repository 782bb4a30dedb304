#include "report/pictureview.h"

#include "platform/error.h"
#include "report/kinds.h"
#include "report/streamio.h"
#include "report/units.h"

#include <QBuffer>
#include <QPainter>

#include <algorithm>

namespace marlune::report {

PictureView::PictureView() : ClonableView(okPicture, "PictureView")
{
    Flags = flPictureStretch | flPictureRatio;
}

void PictureView::Assign(const ReportView& source)
{
    ReportView::Assign(source);
    if (const auto* picture = dynamic_cast<const PictureView*>(&source)) {
        kind_ = picture->kind_;
        data_ = picture->data_;
        image_ = picture->image_;
    }
}

std::string EncodeBitmap(QImage image)
{
    constexpr int kDotsPerMetre = 3780; // 96 dots per inch
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

void PictureView::SetPicture(PictureKind kind, std::string data)
{
    kind_ = kind;
    data_ = std::move(data);
    image_ = QImage();
    const auto* bytes = reinterpret_cast<const uchar*>(data_.data());
    const int size = static_cast<int>(std::min<std::size_t>(data_.size(), 0x7FFFFFFF));
    if (kind_ == pkBitmap) {
        image_.loadFromData(bytes, size, "BMP");
    } else if (kind_ == pkIcon) {
        image_.loadFromData(bytes, size, "ICO");
    }
    if (kind_ == pkNone) {
        data_.clear();
    }
}

void PictureView::Draw(QPainter& painter)
{
    ComputeDrawRect();
    FillBackground(painter);
    if (!image_.isNull() && !DrawingDisabled) {
        const int boxWidth = DrawRect.right - DrawRect.left;
        const int boxHeight = DrawRect.bottom - DrawRect.top;
        QRect target(DrawRect.left, DrawRect.top, image_.width(), image_.height());
        if ((Flags & flPictureStretch) != 0) {
            target.setSize(QSize(boxWidth, boxHeight));
            if ((Flags & flPictureRatio) != 0) {
                const double k = std::min(boxWidth / static_cast<double>(image_.width()),
                                          boxHeight / static_cast<double>(image_.height()));
                target.setSize(QSize(Round(image_.width() * k), Round(image_.height() * k)));
            }
        }
        if ((Flags & flPictureCenter) != 0) {
            target.translate((boxWidth - target.width()) / 2, (boxHeight - target.height()) / 2);
        }
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
        painter.drawImage(target, image_);
        painter.restore();
    }
    DrawFrame(painter);
    RestoreGeometry();
}

void PictureView::ReadFromStream(StreamReader& reader, ViewForm form)
{
    ReportView::ReadFromStream(reader, form);
    const std::uint8_t kind = reader.ReadByte();
    const std::int32_t end = reader.ReadInt();
    if (kind > pkIcon || end < reader.Position() || end > reader.Size()) {
        throw Error("Stream read error");
    }
    // The graphic is bounded by its end position, whatever its reader takes.
    std::string data = reader.ReadBytes(end - reader.Position());
    SetPicture(static_cast<PictureKind>(kind), std::move(data));
    reader.Seek(end);
}

void PictureView::WriteToStream(StreamWriter& writer, ViewForm form) const
{
    ReportView::WriteToStream(writer, form);
    writer.WriteByte(kind_);
    const std::int64_t endAt = writer.Position();
    writer.WriteInt(0);
    writer.WriteBytes(data_);
    writer.PatchInt(endAt, static_cast<std::int32_t>(writer.Position()));
}

bool PictureView::SameStoredData(const ReportView& other, ViewForm form) const
{
    const auto* picture = dynamic_cast<const PictureView*>(&other);
    return picture != nullptr && ReportView::SameStoredData(other, form) &&
           kind_ == picture->kind_ && data_ == picture->data_;
}

} // namespace marlune::report
