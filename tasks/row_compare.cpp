#include "tasks/row_compare.h"

#include "tasks/number_text.h"

// The file count and total size of the task list, the file size of a file
// list; every other column is text.
bool IsNumericColumn(bool taskList, int column) {
    return taskList ? (column == 3 || column == 4) : column == 1;
}

// Numbers: +1 when the first is larger, else -1, so equal values never
// compare equal. Texts: unsigned bytes up to the first difference, no case
// folding; a double-byte character compares by its bytes. A direction flag
// of 0 is descending. Numeric texts lose their separators in place.
int CompareCellTexts(char* first, char* second, bool numeric, unsigned char ascending) {
    int result;
    if (numeric) {
        result = ParseThousands(first) > ParseThousands(second) ? 1 : -1;
    } else {
        const unsigned char* a = reinterpret_cast<const unsigned char*>(first);
        const unsigned char* b = reinterpret_cast<const unsigned char*>(second);
        while (*a != '\0' && *a == *b) {
            ++a;
            ++b;
        }
        result = *a == *b ? 0 : (*a < *b ? -1 : 1);
    }
    return ascending != 0 ? result : -result;
}
