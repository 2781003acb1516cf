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
