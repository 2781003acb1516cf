// Resource ids of the library's overwrite dialog, shared by fdarc.rc and
// the code. The two "for the rest" buttons carry the answers of
// api/fdarc.h, so the dialog ends with them as they stand.
#pragma once

#define IDD_FDARC_OVERWRITE 111
#define IDC_FDARC_OVERWRITE_ICON 1120
#define IDC_FDARC_OVERWRITE_TEXT 1121
#define IDC_FDARC_OVERWRITE_ALL 1122
#define IDC_FDARC_SKIP_ALL 1123
