#include "test_support.h"

#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <archive.h>
#include <archive_entry.h>

#include "libarchive/libarchive_formats.h"
#include "base/le_bytes.h"
#include "base/mbname.h"

template <typename T>
static T Resolve(HMODULE module, const std::string& name) {
    return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name.c_str())));
}

static std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\') + 1);  // ASCII build path
}

bool ArchiverLibrary::Load(const std::string& folder, const char* fileName, const char* entryPrefix) {
    std::string target = folder + fileName;
    if (!CopyFileA((ProgramFolder() + "fdarc.dll").c_str(), target.c_str(), FALSE)) return false;
    module = LoadLibraryA(target.c_str());
    if (module == nullptr) return false;
    prefix = entryPrefix;
    main = Resolve<MainProc>(module, prefix);
    getRunning = Resolve<GetRunningProc>(module, prefix + "GetRunning");
    background = Resolve<BackgroundProc>(module, prefix + "SetBackGroundMode");
    open = Resolve<OpenProc>(module, prefix + "OpenArchive");
    close = Resolve<CloseProc>(module, prefix + "CloseArchive");
    first = Resolve<FirstProc>(module, prefix + "FindFirst");
    next = Resolve<NextProc>(module, prefix + "FindNext");
    count = Resolve<CountProc>(module, prefix + "GetFileCount");
    setQuestion = Resolve<SetQuestionProc>(module, "FdarcSetOverwriteQuestion");
    return main && getRunning && background && open && close && first && next && count && setQuestion;
}

void ArchiverLibrary::Free() {
    if (module != nullptr) FreeLibrary(module);
    module = nullptr;
}

int ArchiverLibrary::Run(const std::string& line, HWND owner, std::string* output) const {
    // The program hands a zero-filled 32 KB buffer; a canary after it catches overruns.
    std::vector<char> buffer(32768 + 16, '\x7e');
    memset(buffer.data(), 0, 32768);
    int result = main(owner, line.c_str(), buffer.data(), 32768);
    for (size_t i = 32768; i < buffer.size(); ++i) EXPECT_EQ('\x7e', buffer[i]) << "output buffer overrun";
    EXPECT_NE(nullptr, memchr(buffer.data(), '\0', 32768)) << "output not terminated";
    if (output != nullptr) *output = buffer.data();
    return result;
}

std::vector<std::string> ArchiverLibrary::List(const std::string& archive, const char* pattern) const {
    std::vector<std::string> names;
    HANDLE handle = open(nullptr, archive.c_str(), 0);
    if (handle == nullptr) return names;
    FdarcFindRecord record;
    for (int found = first(handle, pattern, &record); found == 0; found = next(handle, &record))
        names.push_back(record.name);
    close(handle);
    return names;
}

// Installed by default: a question nobody expected fails the test instead of
// waiting forever for a message box that no one will answer.
static int WINAPI UnexpectedQuestion(HWND, LPCSTR path) {
    ADD_FAILURE() << "unexpected overwrite question for " << path;
    return IDCANCEL;
}

void LibraryTest::SetUp() {
    static unsigned counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char folder[MAX_PATH];
    snprintf(folder, sizeof folder, "%sfdarc-%lu-%u\\", temp, GetCurrentProcessId(), ++counter);
    root_ = folder;
    RemoveTree(root_);
    MakeFolder(root_ + "lib");
    ASSERT_TRUE(zip_.Load(root_ + "lib\\", "ZIP32J.DLL", "Zip"));
    ASSERT_TRUE(unzip_.Load(root_ + "lib\\", "UNZIP32.DLL", "UnZip"));
    ASSERT_TRUE(tar_.Load(root_ + "lib\\", "tar32.dll", "Tar"));
    ASSERT_TRUE(sevenZip_.Load(root_ + "lib\\", "7-zip32.dll", "SevenZip"));
    ASSERT_TRUE(unlha_.Load(root_ + "lib\\", "UNLHA32.DLL", "Unlha"));
    ASSERT_TRUE(cab_.Load(root_ + "lib\\", "cab32.dll", "Cab"));
    ASSERT_TRUE(unrar_.Load(root_ + "lib\\", "unrar32.dll", "Unrar"));
    for (ArchiverLibrary* library : {&zip_, &unzip_, &tar_, &sevenZip_, &unlha_, &cab_, &unrar_})
        library->setQuestion(UnexpectedQuestion);
}

void LibraryTest::TearDown() {
    for (ArchiverLibrary* library : {&zip_, &unzip_, &tar_, &sevenZip_, &unlha_, &cab_, &unrar_}) library->Free();
    RemoveTree(root_);
}

std::string LibraryTest::Response(const std::vector<std::string>& names) {
    static unsigned counter = 0;
    std::string text;
    for (const std::string& name : names) text += "\"" + name + "\"\n";
    std::string path = root_ + "far" + std::to_string(++counter) + ".tmp";
    WriteBytes(path, text);
    return path;
}

void MakeFolder(const std::string& path) {
    std::string trimmed = path;
    while (EndsWithSeparator(trimmed)) trimmed.pop_back();
    for (size_t i = 0; i < trimmed.size(); i = static_cast<size_t>(NextChar932(trimmed.c_str() + i) - trimmed.c_str())) {
        if (i > 2 && trimmed[i] == '\\') CreateDirectoryA(trimmed.substr(0, i).c_str(), nullptr);
    }
    CreateDirectoryA(trimmed.c_str(), nullptr);
}

static std::string ParentOf(const std::string& path) {
    size_t cut = 0;
    for (const char* p = path.c_str(); *p; p = NextChar932(p)) {
        if (*p == '\\') cut = static_cast<size_t>(p - path.c_str());
    }
    return path.substr(0, cut);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    MakeFolder(ParentOf(path));
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(bytes.size(), written);
}

std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool PathExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

static void Walk(const std::string& folder, const std::string& relative, std::map<std::string, std::string>* out,
                 bool remove) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (out) (*out)[rel] = "<folder>";
            Walk(path, rel, out, remove);
            if (remove) RemoveDirectoryA(path.c_str());
        } else {
            if (out) (*out)[rel] = ReadBytes(path);
            if (remove) {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void RemoveTree(const std::string& path) {
    std::string trimmed = path;
    while (EndsWithSeparator(trimmed)) trimmed.pop_back();
    Walk(trimmed, "", nullptr, true);
    RemoveDirectoryA(trimmed.c_str());
}

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> out;
    std::string trimmed = folder;
    while (EndsWithSeparator(trimmed)) trimmed.pop_back();
    Walk(trimmed, "", &out, false);
    return out;
}

std::string PseudoRandomBytes(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 23);
    }
    return bytes;
}

std::string BuildStoredZip(const std::vector<RawEntry>& entries) {
    std::string body, central;
    for (const RawEntry& e : entries) {
        unsigned crc = static_cast<unsigned>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())));
        unsigned offset = static_cast<unsigned>(body.size());
        Put32(&body, 0x04034b50);
        Put16(&body, 10);
        Put16(&body, e.zipFlags);
        Put16(&body, 0);
        Put16(&body, 0);
        Put16(&body, 0x21);
        Put32(&body, crc);
        Put32(&body, static_cast<unsigned>(e.data.size()));
        Put32(&body, static_cast<unsigned>(e.data.size()));
        Put16(&body, static_cast<unsigned>(e.name.size()));
        Put16(&body, static_cast<unsigned>(e.zipExtra.size()));
        body += e.name + e.zipExtra + e.data;
        Put32(&central, 0x02014b50);
        Put16(&central, e.tarType == '2' ? 0x0314 : 20);  // made on Unix for a link
        Put16(&central, 10);
        Put16(&central, e.zipFlags);
        Put16(&central, 0);
        Put16(&central, 0);
        Put16(&central, 0x21);
        Put32(&central, crc);
        Put32(&central, static_cast<unsigned>(e.data.size()));
        Put32(&central, static_cast<unsigned>(e.data.size()));
        Put16(&central, static_cast<unsigned>(e.name.size()));
        Put16(&central, static_cast<unsigned>(e.zipExtra.size()));
        Put16(&central, 0);
        Put16(&central, 0);
        Put16(&central, 0);
        // DOS folder attribute, or a Unix link's mode in the upper half
        Put32(&central, e.tarType == '5' ? 0x10u : e.tarType == '2' ? 0120777u << 16 : 0u);
        Put32(&central, offset);
        central += e.name + e.zipExtra;
    }
    std::string end;
    Put32(&end, 0x06054b50);
    Put16(&end, 0);
    Put16(&end, 0);
    Put16(&end, static_cast<unsigned>(entries.size()));
    Put16(&end, static_cast<unsigned>(entries.size()));
    Put32(&end, static_cast<unsigned>(central.size()));
    Put32(&end, static_cast<unsigned>(body.size()));
    Put16(&end, 0);
    return body + central + end;
}

std::string BuildTar(const std::vector<RawEntry>& entries) {
    std::string out;
    for (const RawEntry& e : entries) {
        char block[512] = {};
        memcpy(block, e.name.data(), e.name.size() < 100 ? e.name.size() : 100);
        snprintf(block + 100, 8, "%07o", 0644);
        snprintf(block + 108, 8, "%07o", 0);
        snprintf(block + 116, 8, "%07o", 0);
        snprintf(block + 124, 12, "%011o", static_cast<unsigned>(e.data.size()));
        snprintf(block + 136, 12, "%011o", 1700000000u);
        block[156] = e.tarType;
        memcpy(block + 257, "ustar", 6);
        memcpy(block + 263, "00", 2);
        memset(block + 148, ' ', 8);
        unsigned sum = 0;
        for (unsigned char c : block) sum += c;
        snprintf(block + 148, 8, "%06o", sum);
        out.append(block, 512);
        out += e.data;
        out.append((512 - e.data.size() % 512) % 512, '\0');
    }
    out.append(1024, '\0');
    return out;
}

static void (*WindowCallback)() = nullptr;

static LRESULT CALLBACK CallbackWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP && WindowCallback != nullptr) {
        WindowCallback();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CreateCallbackWindow() {
    static ATOM atom = 0;
    if (atom == 0) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = CallbackWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "fdarcTestWindow";
        atom = RegisterClassA(&wc);
    }
    return CreateWindowExA(0, "fdarcTestWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void SetWindowCallback(void (*callback)()) { WindowCallback = callback; }

static void PutLittle(std::string* out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// CRC-16 of lzh (polynomial 0xA001, reflected, start 0).
static uint16_t Crc16(const std::string& data) {
    uint16_t crc = 0;
    for (unsigned char c : data) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

std::string BuildLzh(const std::vector<RawEntry>& entries) {
    std::string out;
    for (const RawEntry& entry : entries) {
        std::string header = "-lh0-";
        PutLittle(&header, static_cast<uint32_t>(entry.data.size()), 4);
        PutLittle(&header, static_cast<uint32_t>(entry.data.size()), 4);
        PutLittle(&header, 0x5A6B0000u | 0x0000, 4);  // 2025-03-11 00:00
        header.push_back(0x20);                       // archive attribute
        header.push_back(0);                          // level 0
        header.push_back(static_cast<char>(entry.name.size()));
        header += entry.name;
        PutLittle(&header, Crc16(entry.data), 2);
        unsigned sum = 0;
        for (unsigned char c : header) sum += c;
        out.push_back(static_cast<char>(header.size()));
        out.push_back(static_cast<char>(sum & 0xFF));
        out += header;
        out += entry.data;
    }
    out.push_back(0);
    return out;
}

std::string BuildStoredCab(const std::vector<RawEntry>& entries) {
    std::string files, data;
    for (const RawEntry& entry : entries) {
        PutLittle(&files, static_cast<uint32_t>(entry.data.size()), 4);
        PutLittle(&files, static_cast<uint32_t>(data.size()), 4);
        PutLittle(&files, 0, 2);       // folder 0
        PutLittle(&files, 0x5A6B, 2);  // date
        PutLittle(&files, 0, 2);       // time
        PutLittle(&files, 0x20, 2);
        files += entry.name;
        files.push_back('\0');
        data += entry.data;
    }
    const uint32_t headerSize = 36, folderSize = 8;
    uint32_t dataStart = headerSize + folderSize + static_cast<uint32_t>(files.size());
    std::string out = "MSCF";
    PutLittle(&out, 0, 4);
    PutLittle(&out, dataStart + 8 + static_cast<uint32_t>(data.size()), 4);
    PutLittle(&out, 0, 4);
    PutLittle(&out, headerSize + folderSize, 4);  // first file record
    PutLittle(&out, 0, 4);
    out.push_back(3);
    out.push_back(1);
    PutLittle(&out, 1, 2);  // folders
    PutLittle(&out, static_cast<uint32_t>(entries.size()), 2);
    PutLittle(&out, 0, 2);  // flags
    PutLittle(&out, 0, 2);  // set
    PutLittle(&out, 0, 2);  // index
    PutLittle(&out, dataStart, 4);
    PutLittle(&out, 1, 2);  // data blocks
    PutLittle(&out, 0, 2);  // stored
    out += files;
    PutLittle(&out, 0, 4);  // no checksum
    PutLittle(&out, static_cast<uint32_t>(data.size()), 2);
    PutLittle(&out, static_cast<uint32_t>(data.size()), 2);
    out += data;
    return out;
}

static la_ssize_t WriteToString(archive*, void* context, const void* buffer, size_t length) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(buffer), length);
    return static_cast<la_ssize_t>(length);
}

std::string BuildWithLibarchive(const char* format, const char* filter, const std::vector<RawEntry>& entries) {
    std::string out;
    archive* w = archive_write_new();
    EXPECT_EQ(ARCHIVE_OK, archive_write_set_format_by_name(w, format)) << archive_error_string(w);
    if (strcmp(filter, "none") != 0) {
        EXPECT_EQ(ARCHIVE_OK, archive_write_add_filter_by_name(w, filter)) << archive_error_string(w);
    }
    archive_write_set_bytes_in_last_block(w, 1);
    if (strcmp(format, "gnutar") == 0) archive_write_set_options(w, "hdrcharset=CP932");
    if (archive_write_open(w, &out, nullptr, WriteToString, nullptr) != ARCHIVE_OK) {
        ADD_FAILURE() << archive_error_string(w);
        archive_write_free(w);
        return out;
    }
    for (const RawEntry& entry : entries) {
        archive_entry* e = archive_entry_new();
        std::wstring wide;
        EXPECT_TRUE(WideFrom932(entry.name, &wide)) << entry.name;
        archive_entry_copy_pathname_w(e, wide.c_str());
        archive_entry_set_mtime(e, 1700000000, 0);
        if (entry.tarType == '2') {
            archive_entry_set_filetype(e, AE_IFLNK);
            archive_entry_set_perm(e, 0777);
            archive_entry_copy_symlink(e, entry.data.c_str());
            archive_write_header(w, e);
        } else if (entry.tarType == '5') {
            archive_entry_set_filetype(e, AE_IFDIR);
            archive_entry_set_perm(e, 0755);
            archive_write_header(w, e);
        } else {
            archive_entry_set_filetype(e, AE_IFREG);
            archive_entry_set_perm(e, 0644);
            archive_entry_set_size(e, static_cast<la_int64_t>(entry.data.size()));
            archive_write_header(w, e);
            archive_write_data(w, entry.data.data(), entry.data.size());
        }
        archive_entry_free(e);
    }
    EXPECT_EQ(ARCHIVE_OK, archive_write_close(w));
    archive_write_free(w);
    return out;
}
