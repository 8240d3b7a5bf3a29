#include "shell/scrolling_bar.h"

namespace morvane {

void MoveScrollingBar(Context& ctx, ScrollShape& Bar, const ScrollShape& Strip, int16_t StepSize) {
  Bar.Left = Bar.Left + float(StepSize);
  ctx.YieldToHost();
  if (Bar.Left > Strip.Width) Bar.Left = -Bar.Width - float(StepSize);
  ctx.YieldToHost();
}

}  // namespace morvane
