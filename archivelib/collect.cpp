#include "collect.h"

#include <unordered_map>

#include "fileio.h"
#include "mbname.h"

std::string FolderOf(const std::string& path) {
    size_t cut = 0;
    for (const char* p = path.c_str(); *p != '\0'; p = NextChar932(p)) {
        if (*p == '\\' || *p == '/' || *p == ':') cut = static_cast<size_t>(p - path.c_str()) + 1;
    }
    return path.substr(0, cut);
}

std::string MakeTempBeside(const std::string& target) {
    std::string folder = FolderOf(target);
    if (folder.empty()) folder = ".\\";
    char temp[MAX_PATH];
    if (folder.size() > MAX_PATH - 14 || GetTempFileNameA(folder.c_str(), "fda", 0, temp) == 0) return "";
    return temp;
}

static std::string FullPathOf(const std::string& path) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) return path;
    return full;
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

    void Add(const std::string& path, const std::string& relative, const WIN32_FIND_DATAA& data) {
        bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
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

int CollectSources(const Command& command, CallLog* log, std::vector<SourceItem>* items) {
    std::string base = command.folder;
    if (!base.empty() && !EndsWithSeparator(base)) base += '\\';
    Collector collector{command, log, base, FullPathOf(command.archive), items, {}, FDARC_OK};
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
    return collector.error;
}
