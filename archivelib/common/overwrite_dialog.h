// The library's own overwrite question: はい, いいえ, すべて上書き,
// すべてスキップ and キャンセル.
#pragma once
#include <windows.h>

// IDYES, IDNO, IDCANCEL, FDARC_ANSWER_OVERWRITE_ALL or FDARC_ANSWER_SKIP_ALL;
// -1 when the dialog could not be shown.
INT_PTR ShowOverwriteDialog(HWND owner, const char* text);
