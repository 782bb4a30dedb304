#pragma once

#include "platform/paint/colors.h"

#include <QFont>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>

class QPainter;
class QPalette;

namespace marlune::hints {

enum RepeatKind { repeatOnShadow, repeatOnHighLight, repeatNone };

enum TextStyle3D { fontRaised, fontInset, fontOnlyShadow, fontOnlyHighlight, fontOutLineShadow };

// How a text is lettered in relief: highlight and shadow copies, an outline
// or a stack of repeated copies drawn around the text before the text itself.
class Font3D {
public:
    Font3D() = default;

    // Extra room the lettering needs: 2 x Offset + Repetitionwidth.
    int DrawingWidth() const { return 2 * offset_ + repetitionwidth_; }

    bool ThreeDimensional() const { return threeDimensional_; }
    void SetThreeDimensional(bool value);
    bool MaskFont() const { return maskFont_; } // carried; takes no part in drawing
    void SetMaskFont(bool value);
    platform::paint::TColor Highlight() const { return highlight_; }
    void SetHighlight(platform::paint::TColor value);
    platform::paint::TColor Shadow() const { return shadow_; }
    void SetShadow(platform::paint::TColor value);
    platform::paint::TColor RepetitionColor() const { return repetitionColor_; }
    void SetRepetitionColor(platform::paint::TColor value);
    RepeatKind Repetition() const { return repetition_; }
    void SetRepetition(RepeatKind value);
    std::uint8_t Repetitionwidth() const { return repetitionwidth_; }
    void SetRepetitionwidth(std::uint8_t value); // notifies only on a change
    std::uint8_t Offset() const { return offset_; }
    void SetOffset(std::uint8_t value); // 0 is refused: the old value stays
    TextStyle3D Style3D() const { return style3D_; }
    void SetStyle3D(TextStyle3D value);

    // Raised after a setter stored its value.
    std::function<void()> OnChange;

    // Draws `text` into `rect` with `font` (whose colour is `fontColor`): the
    // relief copies, then the text. `flags` are Qt text flags (alignment,
    // word wrap); the text is drawn without clipping, on a transparent
    // background, and "&" is shown as itself. Disabled text is a highlight
    // copy at the corner and the text in the grey text colour one pixel up
    // and left, whatever the settings.
    // System colours come from `palette` (the application's by default).
    void Draw(QPainter& painter, const QFont& font, platform::paint::TColor fontColor, bool enabled,
              int flags, const QString& text, const QRect& rect) const;
    void Draw(QPainter& painter, const QFont& font, platform::paint::TColor fontColor, bool enabled,
              int flags, const QString& text, const QRect& rect, const QPalette& palette) const;

private:
    void Changed() const;
    template <typename T> void Assign(T& field, T value)
    {
        field = value;
        Changed();
    }

    bool threeDimensional_ = true;
    bool maskFont_ = true;
    platform::paint::TColor highlight_ = platform::paint::clBtnHighlight;
    platform::paint::TColor shadow_ = platform::paint::clBtnShadow;
    platform::paint::TColor repetitionColor_ = platform::paint::clBlack;
    RepeatKind repetition_ = repeatNone;
    std::uint8_t repetitionwidth_ = 0;
    std::uint8_t offset_ = 1;
    TextStyle3D style3D_ = fontOnlyHighlight;
};

} // namespace marlune::hints
