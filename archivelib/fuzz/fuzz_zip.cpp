// Mutated zip archives through listing and extraction: the directory, the
// overlap check, each entry's name made safe and its data expanded into a
// counting sink.
#include <stdint.h>

#include "base/mbname.h"
#include "zip/zipread.h"
#include "sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    if (!LooksLikeZip(&source)) return 0;
    ZipDirectory directory;
    std::string error;
    if (ReadZipDirectory(&source, &directory, &error) != FDARC_OK) return 0;
    std::string overlapping;
    if (!ZipEntriesApart(directory, &overlapping)) return 0;
    ZipInflater inflater;
    CountingSink sink;
    for (const ZipEntry& entry : directory.entries) {
        std::string relative;
        if (!MakeSafeRelativePath(entry.name, &relative) || entry.isFolder) continue;
        if ((entry.flags & 0x41) != 0 || (entry.method != 0 && entry.method != 8)) continue;
        uint64_t start = 0;
        if (!LocateZipData(&source, directory, entry, &start)) continue;
        sink.Reset();
        inflater.Expand(&source, entry, start, &sink);
    }
    return 0;
}
