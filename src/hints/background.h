#pragma once

#include "platform/paint/colors.h"

#include <QImage>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QPainter;

namespace marlune::hints {

enum class GradientFillStyle {
    Circle,
    Horizontal,
    Vertical,
    LeftBottom,
    RoundMiddle,
    SquareMiddle,
    Spectral,
    DoppelFlash,
    Singleflash,
    MiddleHBar,
    MiddleVBar,
    VerticalDoppelBar,
    HorizontalDoppelBar,
};

enum TextureImageStyle { isTile, isCenter, isStretched };

enum BackStyle { bGradient, bTexture, bSolidcolor, bBrushFillUseCurrent, bBrushFillSolidColor };

// The platform's brush styles: solid, clear, and the six hatches.
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class Background;

// A part of a background: every setter stores its value and tells the
// background, which raises its OnChanged.
class BackgroundPart {
public:
    explicit BackgroundPart(Background& owner) : owner_(owner) {}
    BackgroundPart(const BackgroundPart&) = delete;
    BackgroundPart& operator=(const BackgroundPart&) = delete;

protected:
    void Changed() const;
    template <typename T> void Assign(T& field, T value)
    {
        field = std::move(value);
        Changed();
    }

private:
    Background& owner_;
};

class Gradient : public BackgroundPart {
public:
    using BackgroundPart::BackgroundPart;
    platform::paint::TColor BeginColor() const { return beginColor_; }
    void SetBeginColor(platform::paint::TColor value);
    platform::paint::TColor EndColor() const { return endColor_; }
    void SetEndColor(platform::paint::TColor value);
    GradientFillStyle FillStyle() const { return fillStyle_; }
    void SetFillStyle(GradientFillStyle value);
    int ColorCount() const { return colorCount_; }
    void SetColorCount(int value); // outside 2 to 255 refused: the old value stays
    // Colour names ("clRed") or numbers ("255", "$0000FF").
    const std::vector<std::string>& ColorsInBetween() const { return colorsInBetween_; }
    void SetColorsInBetween(std::vector<std::string> value);

private:
    platform::paint::TColor beginColor_ = platform::paint::clBtnShadow;
    platform::paint::TColor endColor_ = platform::paint::clBtnHighlight;
    GradientFillStyle fillStyle_ = GradientFillStyle::Horizontal;
    int colorCount_ = 32;
    std::vector<std::string> colorsInBetween_;
};

class Texture : public BackgroundPart {
public:
    using BackgroundPart::BackgroundPart;
    const QImage& Image() const { return image_; }
    void SetImage(const QImage& value);
    TextureImageStyle ImageStyle() const { return imageStyle_; }
    void SetImageStyle(TextureImageStyle value);
    platform::paint::TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(platform::paint::TColor value);
    platform::paint::TColor TransparentBackground() const { return transparentBackground_; }
    void SetTransparentBackground(platform::paint::TColor value);

private:
    QImage image_;
    TextureImageStyle imageStyle_ = isTile;
    platform::paint::TColor transparentColor_ = platform::paint::clNone;
    platform::paint::TColor transparentBackground_ = platform::paint::clBtnFace;
};

class BrushFill : public BackgroundPart {
public:
    using BackgroundPart::BackgroundPart;
    TBrushStyle BrushStyle() const { return brushStyle_; }
    void SetBrushStyle(TBrushStyle value);
    platform::paint::TColor BrushColor() const { return brushColor_; }
    void SetBrushColor(platform::paint::TColor value);

private:
    TBrushStyle brushStyle_ = bsSolid;
    platform::paint::TColor brushColor_ = platform::paint::clBtnFace;
};

// A fill for a rectangle: a multi-colour gradient in one of thirteen
// patterns, a texture picture, a solid colour or a hatch. Painting goes to a
// picture in memory that reaches the target in one copy.
class Background {
public:
    Background();
    Background(const Background&) = delete;
    Background& operator=(const Background&) = delete;

    Texture& GetTexture() { return texture_; }
    const Texture& GetTexture() const { return texture_; }
    Gradient& GetGradient() { return gradient_; }
    const Gradient& GetGradient() const { return gradient_; }
    BrushFill& GetBrushFill() { return brushFill_; }
    const BrushFill& GetBrushFill() const { return brushFill_; }
    platform::paint::TColor SolidColor() const { return solidColor_; }
    void SetSolidColor(platform::paint::TColor value);
    BackStyle BackgroundStyle() const { return backgroundStyle_; }
    void SetBackgroundStyle(BackStyle value);

    std::function<void(Background&)> OnChanged;
    void Changed();

private:
    template <typename T> void Assign(T& field, T value)
    {
        field = std::move(value);
        Changed();
    }

public:
    // The fill of (0, 0)-(W, H) as a picture. `forward`: the gradient runs
    // from BeginColor to EndColor. An in-between colour that is neither a
    // colour name nor a number raises the conversion error for it.
    QImage Picture(int width, int height, bool forward) const;
    // Paints that picture at (0, 0) of the target.
    void Paint(QPainter& painter, int width, int height, bool forward) const;

private:
    Texture texture_{*this};
    Gradient gradient_{*this};
    BrushFill brushFill_{*this};
    platform::paint::TColor solidColor_ = platform::paint::clBtnFace;
    BackStyle backgroundStyle_ = bGradient;
};

// A colour from its name or number, as colour lists spell them.
platform::paint::TColor ColorFromText(const std::string& text);

// The gradient's picture (exposed for its own tests).
QImage PaintGradient(const Gradient& gradient, platform::paint::TColor solidColor, int width,
                     int height, bool forward);

} // namespace marlune::hints
