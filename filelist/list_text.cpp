#include "filelist/list_text.h"

#include <cstdio>

#include "tasks/number_text.h"

// "%4d/%2d/%2d %2d:%2d:%2d" with every space turned into '0' except the one
// between date and time (position 10), so the texts sort in time order:
// year 999 reads 0999.
void FormatRowTime(int year, int month, int day, int hour, int minute, int second, char* text, size_t size) {
    if (size == 0) return;
    snprintf(text, size, "%4d/%2d/%2d %2d:%2d:%2d", year, month, day, hour, minute, second);
    for (size_t i = 0; i < size && text[i] != '\0'; ++i) {
        if (text[i] == ' ' && i != 10) text[i] = '0';
    }
}

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
