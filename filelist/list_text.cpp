#include "filelist/list_text.h"

#include <cstdio>

#include "tasks/number_text.h"

void FormatTotalsLine(uint32_t rows, uint32_t total, char* text, size_t size) {
    char count[NumberTextSize];
    char sum[NumberTextSize];
    FormatThousands(rows, count, sizeof(count));
    FormatThousands(total, sum, sizeof(sum));
    snprintf(text, size, "  ファイル数 = %s  サイズ合計 = %s", count, sum);
}

void FormatSelectionCount(int selected, char* text, size_t size) { snprintf(text, size, "選択数 = %4d", selected); }

// The save dialog's filter for one format: "zipﾌｧｲﾙ(*.zip)", a zero byte,
// "*.zip", and the two zero bytes that end the list. False, with an empty
// list, when it does not fit.
bool FormatSaveFilter(const char* extension, char* filter, size_t size) {
    if (size < 2) return false;
    int label = snprintf(filter, size, "%sﾌｧｲﾙ(*.%s)", extension, extension);
    if (label >= 0 && static_cast<size_t>(label) + 1 < size) {
        size_t at = static_cast<size_t>(label) + 1;
        int pattern = snprintf(filter + at, size - at, "*.%s", extension);
        if (pattern >= 0 && at + static_cast<size_t>(pattern) + 1 < size) {
            filter[at + static_cast<size_t>(pattern) + 1] = '\0';
            return true;
        }
    }
    filter[0] = '\0';
    filter[1] = '\0';
    return false;
}
