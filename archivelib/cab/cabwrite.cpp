#include "cab/cabwrite.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <memory>

#include "base/le_bytes.h"
#include "base/ordered_work.h"


static const size_t kHeaderSize = 36;
static const size_t kFolderSize = 8;
static const uint32_t kMaxCabinetSize = 0x7FFFFFFF;
static const uint32_t kMaxFiles = 0xFFFF;

namespace {
// One MSZIP block: its data, the block before it as the deflater's
// dictionary, and what it became ("CK" and a deflate stream of its own).
struct BlockJob {
    std::vector<unsigned char> data, history, packed;
    bool ok = false;
};

struct BlockDeflater {
    z_stream deflater = {};
    bool ready = false;
    BlockDeflater() = default;
    BlockDeflater(const BlockDeflater&) = delete;
    BlockDeflater& operator=(const BlockDeflater&) = delete;
    ~BlockDeflater() {
        if (ready) deflateEnd(&deflater);
    }
};

bool DeflateBlock(BlockDeflater* d, int level, BlockJob* job) {
    job->ok = false;
    if (!d->ready) {
        if (deflateInit2(&d->deflater, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
        d->ready = true;
    } else if (deflateReset(&d->deflater) != Z_OK) {
        return false;
    }
    if (!job->history.empty() &&
        deflateSetDictionary(&d->deflater, job->history.data(), static_cast<uInt>(job->history.size())) != Z_OK)
        return false;
    job->packed.resize(2 + deflateBound(&d->deflater, kCabBlockSize));
    job->packed[0] = 'C';
    job->packed[1] = 'K';
    d->deflater.next_in = job->data.data();
    d->deflater.avail_in = static_cast<uInt>(job->data.size());
    d->deflater.next_out = job->packed.data() + 2;
    d->deflater.avail_out = static_cast<uInt>(job->packed.size() - 2);
    if (deflate(&d->deflater, Z_FINISH) != Z_STREAM_END) return false;
    job->packed.resize(job->packed.size() - d->deflater.avail_out);
    return job->ok = true;
}

using BlockWork = OrderedWork<BlockJob, BlockDeflater>;
const size_t kBlocksPerWorker = 8;

struct OutFile {
    std::string name;
    uint32_t size = 0;
    uint32_t folderOffset = 0;
    uint16_t folder = 0;
    uint16_t date = 0, time = 0, attributes = 0;
};

struct OutFolder {
    bool kept = false;
    uint16_t oldIndex = 0;       // kept: folder of the old cabinet
    size_t firstNew = 0;         // new: its files in plan.files
    size_t newCount = 0;
    uint16_t compression = 0;
    uint32_t dataOffset = 0;
    uint16_t blockCount = 0;
};

class Writer {
public:
    Writer(const CabPlan& plan, CabFileSource* source, CabSink* sink, const CabWriteOptions& options, std::string* error)
        : plan_(plan), source_(source), sink_(sink), options_(options), error_(error) {
        int level = options.level;
        work_.reset(new BlockWork([level](BlockDeflater* d, BlockJob* job,
                                          const std::atomic<bool>&) { DeflateBlock(d, level, job); },
                                  options.threads, kBlocksPerWorker * (options.threads == 0 ? 1 : options.threads),
                                  static_cast<size_t>(-1)));
    }

    CabStatus Run() {
        CabStatus status = Layout();
        if (status != CabStatus::Ok) return status;
        std::string head = Header(0) + FolderTable() + FileTable();
        if (!sink_->Write(head.data(), head.size())) return Fail(CabStatus::Write, "書庫を書き込めません");
        for (OutFolder& folder : folders_) {
            uint64_t start = sink_->Position();
            if (start > kMaxCabinetSize) return Fail(CabStatus::TooLarge, "cab 書庫が 2 GB を超えます");
            folder.dataOffset = static_cast<uint32_t>(start);
            status = folder.kept ? CopyFolder(&folder) : CompressFolder(&folder);
            if (status != CabStatus::Ok) return status;
        }
        uint64_t total = sink_->Position();
        if (total > kMaxCabinetSize) return Fail(CabStatus::TooLarge, "cab 書庫が 2 GB を超えます");
        std::string header = Header(static_cast<uint32_t>(total));
        std::string table = FolderTable();
        if (!sink_->PatchAt(0, header.data(), header.size()) || !sink_->PatchAt(header.size(), table.data(), table.size()))
            return Fail(CabStatus::Write, "書庫を書き込めません");
        return CabStatus::Ok;
    }

private:
    CabStatus Fail(CabStatus status, const std::string& text) {
        *error_ = text;
        return status;
    }

    CabStatus AddFile(const OutFile& file) {
        if (files_.size() >= kMaxFiles) return Fail(CabStatus::TooLarge, "cab 書庫に入るファイルは 65535 個までです");
        if (file.name.empty() || file.name.size() >= kCabNameLimit)
            return Fail(CabStatus::TooLarge, "cab に入れられない名前です: " + file.name);
        files_.push_back(file);
        return CabStatus::Ok;
    }

    // Decides every folder and file record before any data is written: the
    // tables come first in the cabinet and only their offsets change later.
    CabStatus Layout() {
        for (uint16_t old : plan_.keptFolders) {
            if (plan_.oldDirectory == nullptr || old >= plan_.oldDirectory->folders.size())
                return Fail(CabStatus::Corrupt, "元の書庫が壊れています");
            OutFolder folder;
            folder.kept = true;
            folder.oldIndex = old;
            folder.compression = plan_.oldDirectory->folders[old].compression;
            uint16_t index = static_cast<uint16_t>(folders_.size());
            for (const CabFile& file : plan_.oldDirectory->files) {
                if (file.folder != old) continue;
                OutFile out{file.name, file.size, file.folderOffset, index, file.date, file.time, file.attributes};
                CabStatus status = AddFile(out);
                if (status != CabStatus::Ok) return status;
            }
            folders_.push_back(folder);
        }
        uint64_t limit = static_cast<uint64_t>(options_.maxBlocksPerFolder) * kCabBlockSize;
        uint64_t filled = limit;  // forces a first new folder
        for (size_t i = 0; i < plan_.files.size(); ++i) {
            const CabNewFile& file = plan_.files[i];
            if (file.size > limit)
                return Fail(CabStatus::TooLarge, "cab に入れるには大きすぎるファイルです: " + file.name);
            if (filled + file.size > limit || folders_.empty() || folders_.back().kept) {
                OutFolder folder;
                folder.firstNew = i;
                folder.compression = options_.compression;
                folders_.push_back(folder);
                filled = 0;
            }
            if (folders_.size() > 0xFFFF) return Fail(CabStatus::TooLarge, "cab 書庫のフォルダが多すぎます");
            ++folders_.back().newCount;
            OutFile out{file.name,
                        static_cast<uint32_t>(file.size),
                        static_cast<uint32_t>(filled),
                        static_cast<uint16_t>(folders_.size() - 1),
                        file.date,
                        file.time,
                        file.attributes};
            CabStatus status = AddFile(out);
            if (status != CabStatus::Ok) return status;
            filled += file.size;
        }
        if (folders_.empty()) return Fail(CabStatus::Read, "書庫に入れるファイルがありません");
        return CabStatus::Ok;
    }

    size_t TablesSize() const { return kHeaderSize + kFolderSize * folders_.size(); }

    std::string Header(uint32_t total) const {
        std::string h = "MSCF";
        Put32(&h, 0);
        Put32(&h, total);
        Put32(&h, 0);
        Put32(&h, static_cast<uint32_t>(TablesSize()));  // the file table follows the folders
        Put32(&h, 0);
        h.push_back(3);  // version 1.3
        h.push_back(1);
        Put16(&h, static_cast<uint32_t>(folders_.size()));
        Put16(&h, static_cast<uint32_t>(files_.size()));
        Put16(&h, 0);  // flags: one cabinet, no reserved areas
        Put16(&h, 0);  // set id
        Put16(&h, 0);  // index in the set
        return h;
    }

    std::string FolderTable() const {
        std::string t;
        for (const OutFolder& folder : folders_) {
            Put32(&t, folder.dataOffset);
            Put16(&t, folder.blockCount);
            Put16(&t, folder.compression);
        }
        return t;
    }

    std::string FileTable() const {
        std::string t;
        for (const OutFile& file : files_) {
            Put32(&t, file.size);
            Put32(&t, file.folderOffset);
            Put16(&t, file.folder);
            Put16(&t, file.date);
            Put16(&t, file.time);
            Put16(&t, file.attributes);
            t += file.name;
            t.push_back('\0');
        }
        return t;
    }

    CabStatus WriteBlock(OutFolder* folder, const unsigned char* data, size_t packed, size_t unpacked) {
        if (folder->blockCount >= options_.maxBlocksPerFolder || folder->blockCount == 0xFFFF)
            return Fail(CabStatus::TooLarge, "cab のフォルダが大きすぎます");
        std::string header;
        Put32(&header, CabBlockChecksum(data, static_cast<uint16_t>(packed), static_cast<uint16_t>(unpacked)));
        Put16(&header, static_cast<uint32_t>(packed));
        Put16(&header, static_cast<uint32_t>(unpacked));
        if (!sink_->Write(header.data(), header.size()) || !sink_->Write(data, packed))
            return Fail(CabStatus::Write, "書庫を書き込めません");
        ++folder->blockCount;
        if (options_.progress != nullptr) options_.progress();
        if (sink_->Position() > kMaxCabinetSize) return Fail(CabStatus::TooLarge, "cab 書庫が 2 GB を超えます");
        return CabStatus::Ok;
    }

    // The blocks of an old folder go over unchanged, checked on the way.
    CabStatus CopyFolder(OutFolder* folder) {
        CabFolderReader reader;
        CabStatus status = reader.Begin(plan_.old, *plan_.oldDirectory, folder->oldIndex);
        if (status == CabStatus::Unsupported) status = CabStatus::Ok;  // raw copying needs no decoder
        for (;;) {
            if (status != CabStatus::Ok) return Fail(status, "元の書庫が壊れています");
            bool end = false;
            uint16_t unpacked = 0;
            status = reader.NextRawBlock(&packed_, &unpacked, &end);
            if (status != CabStatus::Ok) continue;
            if (end) return CabStatus::Ok;
            status = WriteBlock(folder, packed_.data(), packed_.size(), unpacked);
            if (status != CabStatus::Ok) return status;
        }
    }

    // The oldest block handed to the workers goes into the cabinet.
    CabStatus WriteOldestBlock(OutFolder* folder) {
        std::unique_ptr<BlockJob> job = work_->Take();
        if (!job) return CabStatus::Ok;
        if (!job->ok) return Fail(CabStatus::Memory, "圧縮できません");
        if (job->packed.size() > kCabMaxCompressedBlock) return Fail(CabStatus::TooLarge, "圧縮したブロックが大きすぎます");
        return WriteBlock(folder, job->packed.data(), job->packed.size(), job->data.size());
    }

    CabStatus WriteAllBlocks(OutFolder* folder) {
        CabStatus status = CabStatus::Ok;
        while (status == CabStatus::Ok && work_->Held() > 0) status = WriteOldestBlock(folder);
        return status;
    }

    // The block read so far is deflated with the one before it as history,
    // on a worker when there are any; blocks are written in their order.
    CabStatus EmitBlock(OutFolder* folder) {
        if (options_.compression == kCabCompressNone) return WriteBlock(folder, block_.data(), fill_, fill_);
        while (work_->Full(1)) {
            CabStatus status = WriteOldestBlock(folder);
            if (status != CabStatus::Ok) return status;
        }
        std::unique_ptr<BlockJob> job(new BlockJob());
        job->data.assign(block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(fill_));
        if (options_.history && haveHistory_) job->history = history_;
        work_->Put(std::move(job), 1);
        // Every block but a folder's last is full, so the whole block is the next one's history.
        std::swap(block_, history_);
        haveHistory_ = true;
        if (work_->Threads() == 0) return WriteAllBlocks(folder);  // at once, as it was made
        return CabStatus::Ok;
    }

    CabStatus CompressFolder(OutFolder* folder) {
        block_.resize(kCabBlockSize);
        history_.resize(kCabBlockSize);
        haveHistory_ = false;
        fill_ = 0;
        for (size_t i = folder->firstNew; i < folder->firstNew + folder->newCount; ++i) {
            const CabNewFile& file = plan_.files[i];
            if (!source_->Open(i)) return Fail(CabStatus::Read, "ファイルを読めません: " + file.name);
            uint64_t left = file.size;
            while (left > 0) {
                size_t want = static_cast<size_t>(std::min<uint64_t>(left, kCabBlockSize - fill_));
                size_t got = 0;
                if (!source_->Read(block_.data() + fill_, want, &got))
                    return Fail(CabStatus::Read, "ファイルを読めません: " + file.name);
                if (got == 0) return Fail(CabStatus::Read, "読んでいる間にファイルが短くなりました: " + file.name);
                fill_ += got;
                left -= got;
                if (fill_ == kCabBlockSize) {
                    CabStatus status = EmitBlock(folder);
                    if (status != CabStatus::Ok) return status;
                    fill_ = 0;
                }
            }
        }
        if (fill_ > 0) {
            CabStatus status = EmitBlock(folder);
            if (status != CabStatus::Ok) return status;
        }
        return WriteAllBlocks(folder);
    }

    const CabPlan& plan_;
    CabFileSource* source_;
    CabSink* sink_;
    CabWriteOptions options_;
    std::string* error_;
    std::vector<OutFolder> folders_;
    std::vector<OutFile> files_;
    std::vector<unsigned char> block_, history_, packed_;
    size_t fill_ = 0;
    bool haveHistory_ = false;
    std::unique_ptr<BlockWork> work_;
};
}  // namespace

CabStatus WriteCabinet(const CabPlan& plan, CabFileSource* source, CabSink* sink, const CabWriteOptions& options,
                       std::string* error) {
    if (options.maxBlocksPerFolder == 0 || options.maxBlocksPerFolder > kCabMaxBlocksPerFolder ||
        (options.compression != kCabCompressNone && options.compression != kCabCompressMszip)) {
        *error = "cab の書き方の指定が正しくありません";
        return CabStatus::Unsupported;
    }
    Writer writer(plan, source, sink, options, error);
    return writer.Run();
}
