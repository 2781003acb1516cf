#include "common/overwrite_dialog.h"

#include "api/fdarc.h"
#include "common/overwrite_ids.h"

static_assert(IDC_FDARC_OVERWRITE_ALL == FDARC_ANSWER_OVERWRITE_ALL, "the button ends the dialog with its answer");
static_assert(IDC_FDARC_SKIP_ALL == FDARC_ANSWER_SKIP_ALL, "the button ends the dialog with its answer");

// The module this code is linked into: the dialog is a resource of the
// library, never of the program that loaded it.
static HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

static INT_PTR CALLBACK OverwriteDialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, IDC_FDARC_OVERWRITE_TEXT, reinterpret_cast<const char*>(lp));
        SendDlgItemMessageA(dialog, IDC_FDARC_OVERWRITE_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_QUESTION)), 0);
        SetForegroundWindow(dialog);
        // return FALSE: the focus was put on the default button, いいえ, by
        // hand (the dialog manager would give it to はい, the first one).
        SetFocus(GetDlgItem(dialog, IDNO));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDYES:
        case IDNO:
        case IDCANCEL:  // also Escape and the close box
        case IDC_FDARC_OVERWRITE_ALL:
        case IDC_FDARC_SKIP_ALL:
            EndDialog(dialog, LOWORD(wp));
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

INT_PTR ShowOverwriteDialog(HWND owner, const char* text) {
    HMODULE module = ThisModule();
    if (module == nullptr) return -1;
    return DialogBoxParamA(module, MAKEINTRESOURCEA(IDD_FDARC_OVERWRITE), owner, OverwriteDialogProc,
                           reinterpret_cast<LPARAM>(text));
}
