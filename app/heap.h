// The private heap of the task table and the task operations' scratch arrays.
#pragma once
#include <windows.h>

bool CreatePrivateHeap();
void* PrivateAlloc(size_t size);
void PrivateFree(void* block);
