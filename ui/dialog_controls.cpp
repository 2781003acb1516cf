#include "ui/dialog_controls.h"

#include "resources/resource.h"
#include "ui/dialog_values.h"
#include "app/modal.h"

// A dialog's data arrives as the WM_INITDIALOG lParam and lives in
// GWLP_USERDATA until the dialog ends.
void Dlg_ParkData(HWND dialog, LPARAM data) { SetWindowLongPtrA(dialog, GWLP_USERDATA, data); }

LPARAM Dlg_Data(HWND dialog) { return GetWindowLongPtrA(dialog, GWLP_USERDATA); }

bool Dlg_IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Checks one radio of a group and unchecks the others: the groups' ids are
// not numbered in order, so CheckRadioButton's id range cannot be used.
void Dlg_CheckRadio(HWND dialog, const int* group, int count, int checked) {
    for (int i = 0; i < count; ++i) CheckDlgButton(dialog, group[i], group[i] == checked ? BST_CHECKED : BST_UNCHECKED);
}

// One radio per rule, in the order of the rules' values: 1005 Always, 1003
// Never, 1004 UnlessSingle.
void Dlg_CheckAutoFolder(HWND dialog, int mode) {
    static const int radios[3] = {IDC_AUTO_ALWAYS, IDC_AUTO_NEVER, IDC_AUTO_UNLESS_ONE};
    Dlg_CheckRadio(dialog, radios, 3, radios[ShownAutoFolder(mode)]);
}

unsigned char Dlg_ReadAutoFolder(HWND dialog) {
    return AutoFolderFromRadios(Dlg_IsChecked(dialog, IDC_AUTO_ALWAYS), Dlg_IsChecked(dialog, IDC_AUTO_NEVER));
}

// Bounded and always terminated.
int Dlg_GetText(HWND dialog, int id, char* buffer, int size) {
    if (size <= 0) return 0;
    buffer[0] = '\0';
    int length = GetDlgItemTextA(dialog, id, buffer, size);
    buffer[size - 1] = '\0';
    return length;
}

// Every dialog ends here, through the seam, so tests that drive a dialog
// procedure without a modal loop still see the result.
void FinishDialog(HWND dialog, INT_PTR result) { Modal.endDialog(dialog, result); }
