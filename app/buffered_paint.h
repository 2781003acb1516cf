// Controls that paint through a bitmap in memory: the control draws its
// update area, background first, into a bitmap of the program's own, and one
// copy puts it on the screen. A control that draws an image of an image list
// makes a bitmap for each image; made against a memory bitmap, those need no
// question to the display (each one costs a round trip to the Wine server
// when made against the screen). The single copy also keeps the control
// from flickering while it is drawn.
#pragma once
#include <windows.h>

// Toolbars and list-view headers; any other control is left as it is.
void PaintToolbarThroughMemory(HWND toolbar);
void PaintHeaderThroughMemory(HWND header);
