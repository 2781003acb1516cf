// How two list rows compare by one column's cell texts. No Windows header.
#pragma once

bool IsNumericColumn(bool taskList, int column);
int CompareCellTexts(char* first, char* second, bool numeric, unsigned char ascending);
