#include "ui/about_dialog.h"

#include "app/instance.h"
#include "app/modal.h"
#include "resources/resource.h"
#include "ui/dialog_controls.h"

// return TRUE: the focus goes to the default button.
static INT_PTR OnInitDialog(HWND dialog) {
    CenterOnMainWindow(dialog);
    return TRUE;
}

// Only OK (or Enter) ends the box from the keyboard: Escape arrives as
// IDCANCEL and is ignored.
static void OnCommand(HWND dialog, int id) {
    if (id == IDOK) FinishDialog(dialog, IDOK);
}

// The close box is handled as WM_CLOSE before the dialog manager could turn
// it into IDCANCEL, which Escape sends as well.
static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:    OnCommand(dialog, LOWORD(wp)); return TRUE;
    case WM_CLOSE:      FinishDialog(dialog, IDOK); return TRUE;
    }
    return FALSE;
}

void ShowAboutBox(HWND owner) { Modal.dialogBox(AppInstance, IDD_ABOUT, owner, AboutDialogProc, 0); }
