// Moving the selected rows of a list one place up or down, on plain arrays.
// No Windows header: tests run it natively.
#pragma once
#include <cstdint>

void MoveSelectedRows(uint32_t* ids, bool* selected, int count, bool up);
