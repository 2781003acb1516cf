// Mutated tar and tar.gz archives through what listing, counting, updating
// and extracting do with them: every member, its name made safe, its data
// (sparse files rebuilt) written into a counting sink.
#include <stdint.h>

#include "base/mbname.h"
#include "tar/tarread.h"
#include "sink.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemorySource source(data, size);
    if (!LooksLikeTar(&source)) return 0;
    TarInput input;
    if (!input.Open(&source)) return 0;
    bool keepRaw = size % 2 == 1;  // an update keeps the raw headers, a listing does not
    CountingSink sink;
    for (;;) {
        TarMember member;
        TarNext next = ReadTarMember(&input, &member, keepRaw);
        if (next == TarNext::End) {
            input.FinishStream();
            break;
        }
        if (next == TarNext::Error) break;
        std::string relative;
        MakeSafeRelativePath(member.name, &relative);
        MakeSafeRelativePath(member.linkName, &relative);
        uint64_t consumed = 0;
        if (member.kind == TarKind::File) {
            sink.Reset();
            CopyTarData(&input, member, &sink, &consumed);
        }
        if (input.error() != FDARC_OK || !input.Skip(TarPadded(member.size) - consumed)) break;
    }
    return 0;
}
