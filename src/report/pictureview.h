#pragma once

#include "report/reportview.h"

#include <QImage>

// A picture: a bitmap, a Windows metafile or an icon, kept as the bytes of
// its own file format and decoded for drawing where Qt reads the format
// (bitmaps and icons; a metafile is kept and written back but not drawn).
namespace marlune::report {

inline constexpr std::uint16_t flPictureStretch = 1;
inline constexpr std::uint16_t flPictureCenter = 2;
inline constexpr std::uint16_t flPictureRatio = 4;

enum PictureKind : std::uint8_t {
    pkNone = 0,
    pkBitmap = 1,
    pkMetafile = 2,
    pkIcon = 3,
};

class PictureView : public ClonableView<PictureView, ReportView> {
public:
    PictureView();
    void Assign(const ReportView& source) override;
    void Draw(QPainter& painter) override;
    void ReadFromStream(StreamReader& reader, ViewForm form) override;
    void WriteToStream(StreamWriter& writer, ViewForm form) const override;
    bool SameStoredData(const ReportView& other, ViewForm form) const override;
    std::string BaseName() const override { return "Picture"; }

    // Sets the picture from a file's bytes; the image is decoded at once.
    void SetPicture(PictureKind kind, std::string data);
    PictureKind GraphicKind() const { return kind_; }
    const std::string& Data() const { return data_; }
    const QImage& Image() const { return image_; }

private:
    PictureKind kind_ = pkNone;
    std::string data_;
    QImage image_;
};

// The image as the bytes of a bitmap file (24 bits per pixel unless it has a
// palette), recorded at 96 dots per inch so that the bytes do not depend on
// the screen of the process.
std::string EncodeBitmap(QImage image);

} // namespace marlune::report
