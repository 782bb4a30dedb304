#pragma once

#include <cstdint>

namespace marlune::platform {

// The application's hint timing and switches, process-wide as the original
// application object keeps them: the hint component shows its bubbles by
// these, and the application manager sets them.
struct HintSettings {
    std::uint32_t hintColor = 0x80000018; // clInfoBk
    int hintPause = 500;                  // ms before the first hint
    int hintHidePause = 2500;             // ms a hint stays up
    int hintShortPause = 50;              // ms from one hint to the next
    bool hintShortCuts = true;            // shortcut keys shown in hints
    bool showHint = true;                 // hints shown at all
};

inline HintSettings& ApplicationHintSettings()
{
    static HintSettings settings;
    return settings;
}

} // namespace marlune::platform
