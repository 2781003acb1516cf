#include "ui/library_dialog.h"

#include <commctrl.h>

#include "app/controls.h"
#include "app/instance.h"
#include "app/modal.h"
#include "archivers/library_search.h"
#include "resources/resource.h"
#include "ui/dialog_controls.h"

enum LibraryColumn { ColumnLibrary, ColumnFormats, ColumnPlace, ColumnVersion };

static void AddColumns(HWND list) {
    Lv_AddColumn(list, ColumnLibrary, "ライブラリ", 100, LVCFMT_LEFT);
    Lv_AddColumn(list, ColumnFormats, "形式", 130, LVCFMT_LEFT);
    Lv_AddColumn(list, ColumnPlace, "場所", 170, LVCFMT_LEFT);
    Lv_AddColumn(list, ColumnVersion, "バージョン", 66, LVCFMT_LEFT);
}

// Each library is looked for now, when the list opens, not at start-up.
static void FillRows(HWND list) {
    LibraryRow rows[LibraryRowCapacity];
    int count = BuildLibraryRows(rows, LibraryRowCapacity);
    for (int i = 0; i < count; ++i) {
        LibraryWhereabouts found = LocateLibrary(rows[i].library, rows[i].prefix);
        char place[PathSize];
        FormatLibraryPlace(found.place, found.folder, place, sizeof(place));
        char version[16];
        FormatLibraryVersion(found.place == LibraryPlace::Missing ? 0 : found.version, version, sizeof(version));
        int row = Lv_InsertRow(list, i, rows[i].library, i);
        Lv_SetCell(list, row, ColumnFormats, rows[i].formats);
        Lv_SetCell(list, row, ColumnPlace, place);
        Lv_SetCell(list, row, ColumnVersion, version);
    }
}

static INT_PTR OnInitDialog(HWND dialog) {
    CenterOnMainWindow(dialog);
    HWND list = GetDlgItem(dialog, IDC_LIBRARY_LIST);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumns(list);
    FillRows(list);
    return TRUE;
}

static INT_PTR CALLBACK LibraryDialogProc(HWND dialog, UINT message, WPARAM wp, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND:
        if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) FinishDialog(dialog, IDOK);
        return TRUE;
    case WM_CLOSE: FinishDialog(dialog, IDOK); return TRUE;
    }
    return FALSE;
}

void ShowLibraryDialog(HWND owner) { Modal.dialogBox(AppInstance, IDD_LIBRARIES, owner, LibraryDialogProc, 0); }
