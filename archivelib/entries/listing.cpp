#include "entries/listing.h"

#include <zlib.h>

#include "api/fdarc.h"
#include "common/fileio.h"
#include "libarchive/libarchive_formats.h"
#include "tar/tarformat.h"
#include "zip/zipformat.h"

// Whether a gzip stream starts with a tar header (or the zero block of an
// empty tar): else it is one compressed file.
static bool GzipHoldsTar(FileReader* reader) {
    unsigned char in[4096];
    unsigned char block[512];
    z_stream z = {};
    if (inflateInit2(&z, MAX_WBITS + 16) != Z_OK) return false;
    z.next_out = block;
    z.avail_out = sizeof block;
    uint64_t offset = 0;
    int status = Z_OK;
    while (z.avail_out > 0 && status == Z_OK) {
        if (z.avail_in == 0) {
            size_t piece = static_cast<size_t>(reader->Size() - offset < sizeof in ? reader->Size() - offset : sizeof in);
            if (piece == 0 || !reader->ReadAt(offset, in, piece)) break;
            offset += piece;
            z.next_in = in;
            z.avail_in = static_cast<uInt>(piece);
        }
        status = inflate(&z, Z_NO_FLUSH);
    }
    bool full = z.avail_out == 0;
    inflateEnd(&z);
    if (!full) return false;
    bool zero = true;
    for (unsigned char c : block) zero = zero && c == 0;
    return zero || TarChecksumOk(block);
}

ArchiveKind SniffArchive(FileReader* reader) {
    unsigned char magic[4] = {0, 0, 0, 0};
    if (reader->ReadAt(0, magic, 4) && magic[0] == 'P' && magic[1] == 'K' &&
        ((magic[2] == 3 && magic[3] == 4) || (magic[2] == 5 && magic[3] == 6)))
        return ArchiveKind::Zip;
    if (magic[0] == 0x1F && magic[1] == 0x8B) return GzipHoldsTar(reader) ? ArchiveKind::Tar : ArchiveKind::CompressedStream;
    // Tar before the end-record search: a tar whose last member is a zip
    // has that zip's end record near its own end.
    if (LooksLikeTar(reader)) return ArchiveKind::Tar;
    switch (SniffLibarchive(reader)) {
    case LibarchiveKind::Archive: return ArchiveKind::LibarchiveArchive;
    case LibarchiveKind::CompressedStream: return ArchiveKind::CompressedStream;
    case LibarchiveKind::None: break;
    }
    if (LooksLikeZip(reader)) return ArchiveKind::Zip;  // a zip behind a self-extractor stub
    return ArchiveKind::None;
}

LibarchiveKind LibarchiveKindOf(ArchiveKind kind) {
    return kind == ArchiveKind::CompressedStream ? LibarchiveKind::CompressedStream : LibarchiveKind::Archive;
}

int ListArchive(const std::string& path, std::vector<ListedEntry>* entries) {
    entries->clear();
    FileReader reader;
    if (!reader.Open(path)) return FDARC_E_OPEN_ARCHIVE;
    ArchiveKind kind = SniffArchive(&reader);
    switch (kind) {
    case ArchiveKind::Zip: return ListZip(&reader, entries);
    case ArchiveKind::Tar: reader.Close(); return ListTar(path, entries);
    case ArchiveKind::LibarchiveArchive:
    case ArchiveKind::CompressedStream:
        reader.Close();
        return ListWithLibarchive(path, LibarchiveKindOf(kind), entries);
    case ArchiveKind::None: break;
    }
    return FDARC_E_CORRUPT;
}
