#pragma once

#include "hints/bubble.h"
#include "hints/font3d.h"
#include "platform/error.h"

#include <QBasicTimer>
#include <QFont>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QWidget;

namespace marlune::hints {

class Background;
class BubbleHintWindow;

// Raised when a second hint component is made while one exists.
class DuplicateHintError : public Error {
public:
    using Error::Error;
};

// The program's hints: every tooltip of the application is shown as a
// speech bubble. The component filters the application's events: it takes
// over the tooltip events and shows its own bubble window, 600 ms
// (HintPauseTime) after the pointer comes to rest on a control with a hint,
// at once while moving from one hinted control to the next, and hides it
// after 2500 ms, when the pointer leaves the control, or on a click or key.
// There is one at a time.
class HintComponent : public QObject {
    Q_OBJECT
public:
    static constexpr int kHideTimeout = 2500; // ms
    static constexpr int kShortPause = 0;     // ms, from one hint to the next
    // ms: after the pointer leaves a shown hint's control, the next hinted
    // control it reaches in this time counts as "the next" (short pause).
    static constexpr int kAwakeTime = 600;

    HintComponent();
    ~HintComponent() override;
    HintComponent(const HintComponent&) = delete;
    HintComponent& operator=(const HintComponent&) = delete;

    // The one running component, or nullptr.
    static HintComponent* Instance();

    Font3D& GetFont3D() { return font3D_; }
    bool Speechbubble() const { return speechbubble_; }
    void SetSpeechbubble(bool value) { speechbubble_ = value; }
    bool Shadow() const { return shadow_; }
    void SetShadow(bool value) { shadow_ = value; }
    HintDirectionKind HintDirection() const { return hintDirection_; }
    void SetHintDirection(HintDirectionKind value) { hintDirection_ = value; }
    platform::paint::TColor UnUsedHintColor() const { return unUsedHintColor_; }
    void SetUnUsedHintColor(platform::paint::TColor value) { unUsedHintColor_ = value; }
    platform::paint::TColor HintShadowColor() const { return hintShadowColor_; }
    void SetHintShadowColor(platform::paint::TColor value) { hintShadowColor_ = value; }
    const QFont& HintFont() const { return hintFont_; }
    platform::paint::TColor HintFontColor() const { return hintFontColor_; }
    void SetHintFont(const QFont& font,
                     platform::paint::TColor color = platform::paint::clWindowText);
    int HintPauseTime() const { return hintPauseTime_; }
    // Also the application's hint pause, which the bubbles wait for.
    void SetHintPauseTime(int ms);
    // A fill for the bubble's inside, or none (white). The background must
    // outlive the component or be unset first.
    const Background* GetBackground() const { return background_; }
    void SetBackground(const Background* background) { background_ = background; }

    // Lets the program choose the first direction per control.
    std::function<void(QWidget* hintControl, HintDirectionKind& direction)> OnSelectHintDirection;

    // The bubble's settings as they stand.
    BubbleStyle Style() const;

    // Shows the hint of `control` for the pointer at `pointer` (screen
    // coordinates) now; what the timers call. Hides it for an empty text.
    void ShowHint(QWidget* control, QPoint pointer);
    void HideHint();
    // The window of the hint being shown, or nullptr.
    BubbleHintWindow* HintWindow() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    static QWidget* HintedControl(QWidget* widget);
    int Pause() const;
    // Hides the bubble because the pointer left its control.
    void LeaveShownHint();

    Font3D font3D_;
    bool speechbubble_ = true;
    bool shadow_ = true;
    HintDirectionKind hintDirection_ = dUpRight;
    platform::paint::TColor unUsedHintColor_ = 0x00FF00;
    platform::paint::TColor hintShadowColor_ = platform::paint::clBlack;
    QFont hintFont_;
    platform::paint::TColor hintFontColor_ = platform::paint::clWindowText;
    int hintPauseTime_ = 600;
    const Background* background_ = nullptr;

    std::unique_ptr<BubbleHintWindow> window_;
    QPointer<QWidget> pending_; // the control whose hint the show timer waits for
    QPointer<QWidget> shown_;   // the control whose hint is up
    QPointer<QWidget> expired_; // the control whose hint timed out, until the pointer leaves it
    QBasicTimer showTimer_;
    QBasicTimer hideTimer_;
    QBasicTimer awakeTimer_; // runs while the next hint comes without the pause
};

} // namespace marlune::hints
