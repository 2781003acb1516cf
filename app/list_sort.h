// Sorting a list view's rows by one column's cell texts. Each list brings
// its rule: how many columns it has, the direction flag of each, and how
// two texts of a column compare.
#pragma once
#include <windows.h>

struct ListSortRule {
    int columnCount;
    const unsigned char* directions;   // per column; 0 reverses the order
    int (*compareTexts)(char* first, char* second, int column, unsigned char ascending);
};

// The list being sorted and its rule, for the comparison callback.
struct SortedListState {
    HWND list;
    const ListSortRule* rule;
};
extern SortedListState SortedList;

int CALLBACK CompareRows(LPARAM id1, LPARAM id2, LPARAM column);
bool SortListByColumn(HWND list, int column, const ListSortRule& rule);
