#include "ui/settings_dialog.h"

#include "app/instance.h"
#include "app/modal.h"
#include "archivers/formats.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "ui/dialog_controls.h"
#include "ui/dialog_values.h"

static const int OverwriteRadios[2] = {IDC_OVERWRITE_ASK, IDC_OVERWRITE_NEVER};
static const int ErrorRadios[2] = {IDC_ERROR_CONTINUE, IDC_ERROR_SHOW};

static void ShowChoice(HWND dialog, const SettingsChoice& choice) {
    HWND formats = GetDlgItem(dialog, IDC_DEFAULT_FORMAT);
    for (int i = 0; i < CompressFormatCount; ++i) {
        SendMessageA(formats, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(FormatTable[i].Extension));
    }
    SendMessageA(formats, CB_SETCURSEL, choice.formatPosition, 0);
    Dlg_CheckAutoFolder(dialog, AutoFolderFromRadios(choice.autoAlways, choice.autoNever));
    Dlg_CheckRadio(dialog, OverwriteRadios, 2, choice.overwriteAsk ? IDC_OVERWRITE_ASK : IDC_OVERWRITE_NEVER);
    Dlg_CheckRadio(dialog, ErrorRadios, 2, choice.errorContinue ? IDC_ERROR_CONTINUE : IDC_ERROR_SHOW);
}

static SettingsChoice ReadChoice(HWND dialog) {
    SettingsChoice choice = {};
    choice.formatPosition = static_cast<int>(SendDlgItemMessageA(dialog, IDC_DEFAULT_FORMAT, CB_GETCURSEL, 0, 0));
    choice.autoAlways = Dlg_IsChecked(dialog, IDC_AUTO_ALWAYS);
    choice.autoNever = Dlg_IsChecked(dialog, IDC_AUTO_NEVER);
    choice.overwriteAsk = Dlg_IsChecked(dialog, IDC_OVERWRITE_ASK);
    choice.errorContinue = Dlg_IsChecked(dialog, IDC_ERROR_CONTINUE);
    return choice;
}

// return FALSE: the focus was put on the format list by hand.
static INT_PTR OnInitDialog(HWND dialog, LPARAM data) {
    Dlg_ParkData(dialog, data);
    CenterOnMainWindow(dialog);
    ShowChoice(dialog, ChoiceFromSettings(*reinterpret_cast<const SettingsRecord*>(data)));
    SetFocus(GetDlgItem(dialog, IDC_DEFAULT_FORMAT));
    return FALSE;
}

// The settings reach the file only when the main window closes.
static void OnOk(HWND dialog) {
    ApplySettingsChoice(ReadChoice(dialog), reinterpret_cast<SettingsRecord*>(Dlg_Data(dialog)));
    FinishDialog(dialog, IDOK);
}

// Escape and the close box arrive as IDCANCEL.
static INT_PTR OnCommand(HWND dialog, int id) {
    switch (id) {
    case IDOK:     OnOk(dialog); return TRUE;
    case IDCANCEL: FinishDialog(dialog, IDCANCEL); return TRUE;
    }
    return FALSE;
}

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM lp) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, lp);
    case WM_COMMAND:    return OnCommand(dialog, LOWORD(wp));
    }
    return FALSE;
}

// Changes Settings on OK only; true when OK was pressed.
bool ShowSettingsDialog(HWND owner) {
    return Modal.dialogBox(AppInstance, IDD_SETTINGS, owner, SettingsDialogProc, reinterpret_cast<LPARAM>(&Settings)) ==
           IDOK;
}
