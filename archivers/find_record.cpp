#include "archivers/find_record.h"

#include <cstring>

#include "app/text.h"

// The name is cut at its 513 bytes when the library did not terminate it.
void ReadFindRecordName(const unsigned char* record, char* name, size_t size) {
    char raw[FindRecordNameSize + 1];
    memcpy(raw, record + FindRecordNameOffset, FindRecordNameSize);
    raw[FindRecordNameSize] = '\0';
    CopyText(name, size, raw);
}
