// The find record an archiver library fills for each entry of an archive.
// No Windows header: tests run it natively.
#pragma once
#include <cstddef>

// Libraries fill the record by their own record size, so the buffer is
// zero-filled and larger than they write. The entry name starts at byte 26
// and takes at most 513 bytes.
constexpr size_t FindRecordSize = 1024;
constexpr size_t FindRecordNameOffset = 26;
constexpr size_t FindRecordNameSize = 513;

void ReadFindRecordName(const unsigned char* record, char* name, size_t size);
