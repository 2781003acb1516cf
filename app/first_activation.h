// The first time a window of the program's thread is activated, the system
// loads the keyboard's input method and, for it, initialises COM on that
// thread, loading the COM libraries first. Under Wine that is most of the
// activation (about 10 ms of the main window's first showing). Loading the
// input method and the libraries is not tied to a thread, so a second
// thread does it while the main window is being made; the activation then
// finds them loaded and only initialises COM. The same thread loads the
// image-blending library that the first painting of the toolbar needs.
//
// The common-controls library stays an import, loaded before WinMain. On
// this thread its start-up (it registers its window classes) ran beside the
// interface thread's first class registration, and under Wine the two
// threads then waited for each other in about one start in thirty; with the
// registration made first it no longer hung, but the start was no faster.
#pragma once

void PrepareFirstActivation();
