// The compression and extraction runs: each runs one task of the task list
// to its end through its format's archiver library.
#pragma once

void RunCompressionTask(int row);
void RunExtractionTask(int row);
bool InspectArchive(const char* path, int format, short taskIndex);
