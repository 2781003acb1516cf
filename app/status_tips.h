// Tips for the parts of a status bar: over a part whose text the bar cuts,
// a tip shows the whole text. The tip window is made when the mouse first
// moves over the bar, not with the bar: a tooltip is a top-level window of
// its own, and start-up need not wait for one the user may never see.
#pragma once
#include <windows.h>

// Once, right after the bar is made (without SBARS_TOOLTIPS). The bar's
// procedure is replaced by one that hands the tip the mouse messages and
// answers its questions; a bar that is destroyed is forgotten.
void Sb_AttachTips(HWND bar);

// The bar's tip window, null until the mouse has moved over the bar.
HWND Sb_TipOf(HWND bar);
