// Clickable labels: static controls with SS_NOTIFY that look and act like
// links (link colour, hand cursor, focus rectangle, Space or Enter clicks).
#pragma once
#include <windows.h>

namespace morvane::w32ui {

// Subclasses a static control as a link and gives it the underlined font.
void MakeLink(HWND label, HFONT underlined);
bool IsLink(HWND control);
// The link colour for WM_CTLCOLORSTATIC.
COLORREF LinkColour();

}  // namespace morvane::w32ui
