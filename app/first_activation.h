// The first time a window of the program's thread is activated, the system
// loads the keyboard's input method and, for it, initialises COM on that
// thread, loading the COM libraries first. Under Wine that is most of the
// activation (about 10 ms of the main window's first showing). Loading the
// input method and the libraries is not tied to a thread, so a second
// thread does it while the main window is being made; the activation then
// finds them loaded and only initialises COM.
#pragma once

void PrepareFirstActivation();
