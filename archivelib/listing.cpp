#include "listing.h"

#include "fdarc.h"
#include "fileio.h"
#include "tarformat.h"
#include "zipformat.h"

ArchiveKind SniffArchive(FileReader* reader) {
    unsigned char magic[4] = {0, 0, 0, 0};
    if (reader->ReadAt(0, magic, 4) && magic[0] == 'P' && magic[1] == 'K' &&
        ((magic[2] == 3 && magic[3] == 4) || (magic[2] == 5 && magic[3] == 6)))
        return ArchiveKind::Zip;
    // Tar before the end-record search: a tar whose last member is a zip
    // has that zip's end record near its own end.
    if (LooksLikeTar(reader)) return ArchiveKind::Tar;
    if (LooksLikeZip(reader)) return ArchiveKind::Zip;  // a zip behind a self-extractor stub
    return ArchiveKind::None;
}

int ListArchive(const std::string& path, std::vector<ListedEntry>* entries) {
    entries->clear();
    FileReader reader;
    if (!reader.Open(path)) return FDARC_E_OPEN_ARCHIVE;
    switch (SniffArchive(&reader)) {
    case ArchiveKind::Zip: return ListZip(&reader, entries);
    case ArchiveKind::Tar: reader.Close(); return ListTar(path, entries);
    case ArchiveKind::None: break;
    }
    return FDARC_E_CORRUPT;
}
