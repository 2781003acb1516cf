// Thin helpers shared by the program's dialogs.
#pragma once
#include <windows.h>

void Dlg_ParkData(HWND dialog, LPARAM data);
LPARAM Dlg_Data(HWND dialog);
bool Dlg_IsChecked(HWND dialog, int id);
void Dlg_CheckRadio(HWND dialog, const int* group, int count, int checked);
void Dlg_CheckAutoFolder(HWND dialog, int mode);
unsigned char Dlg_ReadAutoFolder(HWND dialog);
int Dlg_GetText(HWND dialog, int id, char* buffer, int size);
void FinishDialog(HWND dialog, INT_PTR result);
