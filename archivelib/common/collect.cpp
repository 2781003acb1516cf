#include "common/collect.h"

#include <algorithm>
#include <unordered_map>

#include "common/fileio.h"
#include "base/mbname.h"

std::string FolderOf(const std::string& path) {
    size_t cut = 0;
    for (const char* p = path.c_str(); *p != '\0'; p = NextChar932(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') cut = static_cast<size_t>(p - path.c_str()) + 1;
    }
    return path.substr(0, cut);
}

// GetTempFileName wants 14 characters of room after the folder; near the
// path limit a name no longer than the target's own is made instead, so a
// temporary file fits wherever the target fits.
std::string MakeTempBeside(const std::string& target) {
    std::string folder = FolderOf(target);
    if (folder.empty()) folder = ".\\";
    char temp[MAX_PATH];
    if (folder.size() <= MAX_PATH - 14) {
        if (GetTempFileNameA(folder.c_str(), "fda", 0, temp) == 0) return "";
        return temp;
    }
    size_t room = MAX_PATH - 1 - folder.size();
    size_t nameLength = target.size() > folder.size() ? target.size() - folder.size() : 1;
    size_t width = std::min<size_t>(std::min(room, nameLength), 8);
    if (width == 0) return "";
    static const char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    uint32_t seed = GetTickCount();
    for (uint32_t attempt = 0; attempt < 4096; ++attempt) {
        std::string name(width, '~');
        uint32_t n = seed + attempt;
        for (size_t i = width; i-- > (width > 1 ? 1u : 0u);) {  // '~' first, so it never looks like the user's
            name[i] = kDigits[n % 36];
            n /= 36;
        }
        std::string candidate = folder + name;
        HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return candidate;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return "";
    }
    return "";
}

uint64_t SourceBytes(const std::vector<SourceItem>& items) {
    uint64_t total = 0;
    for (const SourceItem& item : items) {
        if (!item.isFolder) total += item.size;
    }
    return total;
}

std::string CreateTemporaryFor(const std::string& target, CallLog* log,
                               const std::function<bool(const std::string&)>& create) {
    std::string temp = MakeTempBeside(target);
    if (!temp.empty() && create(temp)) return temp;
    if (!temp.empty()) DeleteFileA(temp.c_str());
    log->Line("書庫を作成できません: " + target);
    return std::string();
}

bool SwapTemporaryIn(const std::string& temp, const std::string& target, CallLog* log) {
    // A cancel that came after the last source was read still wins: the
    // caller was told nothing would be made.
    if (StopRequested()) {
        DeleteFileA(temp.c_str());
        return false;
    }
    if (MoveFileExA(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) return true;
    DeleteFileA(temp.c_str());
    log->Line("書庫を置き換えられません: " + target);
    return false;
}

static std::string FullPathOf(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return path;
    return full;
}

// The ANSI find functions put '?' for each character the code page lacks;
// '?' is never part of a real file name.
static bool NameFits932(const char* name) {
    for (const char* p = name; *p != '\0'; p = NextChar932(p)) {
        if (*p == '?') return false;
    }
    return true;
}

namespace {
struct Collector {
    const Command& command;
    CallLog* log;
    std::string base;
    std::string archiveFull;
    std::vector<SourceItem>* items;
    std::unordered_map<std::string, size_t> byName;
    int error = FDARC_OK;
    int skipped = FDARC_OK;

    void Add(const std::string& path, const std::string& relative, const WIN32_FIND_DATAA& data) {
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!NameFits932(data.cFileName)) {
            // Nothing could open it by this name, and the archive would hold a wrong one.
            log->Line("名前に使えない文字があるため追加しません: " + path);
            if (skipped == FDARC_OK) skipped = FDARC_E_READ;
            return;
        }
        if (!folder && lstrcmpiA(FullPathOf(path).c_str(), archiveFull.c_str()) == 0) return;
        SourceItem item;
        if (!MakeStoredName(relative, folder, &item.stored)) return;
        item.path = path;
        item.isFolder = folder;
        item.size = folder ? 0 : (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        item.modified = data.ftLastWriteTime;
        item.attributes = data.dwFileAttributes;
        auto found = byName.find(item.stored);
        if (found != byName.end()) {
            (*items)[found->second] = item;
        } else {
            byName[item.stored] = items->size();
            items->push_back(item);
        }
        PumpMessagesIfDue();
        // Reparse points (junctions) are stored as folders but not entered: a loop would never end.
        if (folder && command.recurse && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) Walk(path, relative);
    }

    void Walk(const std::string& folder, const std::string& relative) {
        std::string pattern = folder + "\\*";
        if (pattern.size() >= MAX_PATH) {
            Fail(FDARC_E_READ, "パスが長すぎます: " + folder);
            return;
        }
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return;  // an empty or unreadable folder adds only itself
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            Add(folder + "\\" + name, relative + "\\" + name, data);
        } while (error == FDARC_OK && FindNextFileA(find, &data));
        FindClose(find);
    }

    void AddName(const std::string& name) {
        std::string trimmed = name;
        // "sub\" names the folder sub; FindFirstFile wants it without the separator.
        while (!trimmed.empty() && EndsWithSeparator(trimmed)) trimmed.pop_back();
        if (trimmed.empty()) {
            Fail(FDARC_E_NO_FILES, "名前が空です");
            return;
        }
        std::string path = base + trimmed;
        if (path.size() >= MAX_PATH) {
            Fail(FDARC_E_NO_FILES, "パスが長すぎます: " + path);
            return;
        }
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(path.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            Fail(FDARC_E_NO_FILES, "見つかりません: " + path);
            return;
        }
        std::string prefix = FolderOf(trimmed);  // wildcards match in the last component only
        do {
            std::string found = data.cFileName;
            if (found == "." || found == "..") continue;
            Add(FolderOf(path) + found, prefix + found, data);
        } while (error == FDARC_OK && FindNextFileA(find, &data));
        FindClose(find);
    }

    void Fail(int code, const std::string& message) {
        if (error == FDARC_OK) error = code;
        log->Line(message);
    }
};
}  // namespace

int CollectSources(const Command& command, CallLog* log, std::vector<SourceItem>* items, int* skipped) {
    std::string base = command.folder;
    if (!base.empty() && !EndsWithSeparator(base)) base += '\\';
    Collector collector{command, log, base, FullPathOf(command.archive), items, {}, FDARC_OK, FDARC_OK};
    std::vector<std::string> names = command.names;
    for (const std::string& file : command.responseFiles) {
        std::string text;
        if (!ReadWholeFile(file, 64u << 20, &text)) {
            collector.Fail(FDARC_E_NO_FILES, "レスポンスファイルを読めません: " + file);
            return collector.error;
        }
        for (const std::string& name : ParseResponseText(text)) names.push_back(name);
    }
    for (const std::string& name : names) {
        collector.AddName(name);
        if (collector.error != FDARC_OK) break;
    }
    if (collector.error == FDARC_OK && items->empty()) collector.Fail(FDARC_E_NO_FILES, "追加するファイルがありません");
    *skipped = collector.skipped;
    return collector.error;
}
