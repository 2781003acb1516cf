// The settings dialog: default format, folder rule, overwrite and error rules.
#pragma once
#include <windows.h>

bool ShowSettingsDialog(HWND owner);
