// The indeterminate progress bar of the scan progress screen: a bar that
// slides through a strip and re-enters from the left. Twips, single precision.
#pragma once
#include <cstdint>

#include "platform/context.h"

namespace morvane {

constexpr float kStripWidth = 3735.0f;   // picScrolling
constexpr float kBarWidth = 1200.0f;     // shpScrolling
constexpr float kBarRestLeft = -1250.0f; // resting place, left of the strip
constexpr int16_t kBarStep = 125;        // twips per tmrScrollingBar tick
constexpr uint32_t kScrollingBarInterval = 50;  // ms

struct ScrollShape {
  float Left = 0;
  float Width = 0;
};

// One step to the right; past the strip's right edge (strictly) the bar
// goes back to -(its width) - StepSize. Yields after the move and at the end.
void MoveScrollingBar(Context& ctx, ScrollShape& Bar, const ScrollShape& Strip, int16_t StepSize);

}  // namespace morvane
