// System libraries that the main window's first show and paint load on the
// window's own thread: COM, which the input method starts when a window of
// the thread is first activated, and the image-blending library that the
// controls draw their images with. Start-up loads them on a short thread of
// their own while the main window is being made, so the window appears
// sooner; they stay loaded, as they would anyway. A thread that cannot be
// made, or a library that is not there, changes nothing but the time.
#pragma once

// Once, after the library search has left out the current folder.
void LoadShowLibrariesAhead();
