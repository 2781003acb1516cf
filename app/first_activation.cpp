#include "app/first_activation.h"

#include <windows.h>

// Asking whether the keyboard layout is an input method loads it. The
// input-method library is loaded in any process with windows, so its entry
// is looked up rather than imported; the COM library, loaded here, stays
// loaded for the activation to use. The image-blending library is loaded
// when the toolbar is first painted (about 2 ms of the first painting
// under Wine); loaded here, it is there already.
static DWORD WINAPI LoadForFirstActivation(void*) {
    HMODULE imm = GetModuleHandleA("imm32.dll");
    FARPROC isInputMethod = imm != nullptr ? GetProcAddress(imm, "ImmIsIME") : nullptr;
    if (isInputMethod != nullptr) {
        reinterpret_cast<BOOL(WINAPI*)(HKL)>(reinterpret_cast<void (*)()>(isInputMethod))(GetKeyboardLayout(0));
    }
    LoadLibraryA("ole32.dll");
    LoadLibraryA("msimg32.dll");
    return 0;
}

// Nothing waits for the thread: an activation that comes before it is done
// does what is left itself.
void PrepareFirstActivation() {
    HANDLE thread = CreateThread(nullptr, 0, LoadForFirstActivation, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}
