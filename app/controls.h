// Thin typed helpers for the list views and status bars.
#pragma once
#include <windows.h>
#include <commctrl.h>

int Lv_RowCount(HWND list);
int Lv_InsertRow(HWND list, int row, const char* text, LPARAM id);
void Lv_SetCell(HWND list, int row, int column, const char* text);
int Lv_GetCell(HWND list, int row, int column, char* buffer, int size);
LPARAM Lv_RowId(HWND list, int row);
int Lv_FindRowById(HWND list, LPARAM id);
bool Lv_IsSelected(HWND list, int row);
void Lv_SetSelected(HWND list, int row, bool selected);
int Lv_SelectedCount(HWND list);
void Lv_AddColumn(HWND list, int column, const char* header, int width, int format, const char* sample = nullptr);
int TextWidthIn(HWND window, const char* text);
void Sb_SetPart(HWND bar, int part, const char* text);

// Toolbars: a position is a button with an image of the standard small
// set or of the program's strip bitmap, or a separator (command 0); the
// tips come from the toolbar's own tip window.
struct ToolbarPlace {
    int command;
    int image;
    bool fromStrip;
};
void Tb_AddPlaces(HWND toolbar, int stripBitmapId, int stripImageCount, const ToolbarPlace* places, int count);
bool Tb_KeepTipsShown(const NMHDR* header, int toolbarId);
bool Tb_SupplyTip(HWND toolbar, const NMHDR* header);

// Tips of the program's own over a whole window, for the task list's
// reasons and the status bars' cut texts.
HWND Tt_CreateOverWindow(HWND owner, HWND asked, HWND window);
bool Tt_IsRelayedMouse(UINT message);
void Tt_Relay(HWND tip, HWND window, UINT message, WPARAM wp, LPARAM lp);
void Tt_Restart(HWND tip);
