#include "common/extract.h"

#include "common/collect.h"
#include "base/mbname.h"

void Extraction::Fail(int code, const std::string& message) {
    if (error == FDARC_OK) error = code;
    log->Line(message);
}

bool Extraction::Wanted(const std::string& stored) const {
    if (patterns.empty()) return true;
    for (const std::string& pattern : patterns) {
        if (WildcardMatch(pattern.c_str(), stored.c_str())) return true;
    }
    return false;
}

bool Extraction::Stopping() {
    if (!StopRequested()) return false;
    if (error == FDARC_OK) error = FDARC_E_CANCELLED;
    return true;
}

static bool IsFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolders(Extraction* x, const std::string& folder, bool quiet) {
    std::string path = folder;
    while (!path.empty() && EndsWithSeparator(path)) path.pop_back();
    if (path.empty() || (path.size() == 2 && path[1] == ':') || path == x->lastFolder) return true;
    if (IsFolder(path)) {
        x->lastFolder = path;
        return true;
    }
    // Every prefix that ends before a separator, the drive and share roots included:
    // their failures do not matter, only whether the whole path is a folder at the end.
    for (size_t i = 0; i < path.size();) {
        size_t next = static_cast<size_t>(NextChar932(path.c_str() + i) - path.c_str());
        if (i > 0 && IsSeparatorAt(path, i)) CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        i = next;
    }
    CreateDirectoryA(path.c_str(), nullptr);
    if (IsFolder(path)) {
        x->lastFolder = path;
        return true;
    }
    if (!quiet) x->Fail(FDARC_E_WRITE, "フォルダを作成できません: " + path);
    return false;
}

bool PrepareDestination(Extraction* x, const std::string& folder) {
    x->destination = folder;
    if (!folder.empty() && !EndsWithSeparator(folder)) x->destination += '\\';
    return CreateFolders(x, x->destination);
}

bool BeginExtraction(Extraction* x, const Command& command, HWND owner, CallLog* log) {
    x->owner = owner;
    x->overwrite = command.overwrite;
    x->patterns = command.names;
    x->log = log;
    return PrepareDestination(x, command.folder);
}

bool ResolveEntryPath(Extraction* x, const std::string& stored, std::string* path, bool quiet) {
    std::string relative;
    if (!MakeSafeRelativePath(stored, &relative)) {
        if (!quiet) x->Fail(FDARC_E_UNSAFE_NAME, "危険なパスを含むため展開しません: " + stored);
        return false;
    }
    *path = x->destination + relative;
    if (path->size() >= MAX_PATH) {
        if (!quiet) x->Fail(FDARC_E_WRITE, "パスが長すぎます: " + *path);
        return false;
    }
    return true;
}

bool ClaimPath(Extraction* x, const std::string& path) { return x->claimed.insert(FoldedName(path)).second; }

MadeAhead MakeFileAhead(const std::string& path, const void* data, size_t count, const FILETIME& modified) {
    FileWriter writer;
    if (!writer.CreateNew(path)) return MadeAhead::NotMade;
    writer.Write(data, count);
    writer.SetTime(modified);
    return writer.Finish() ? MadeAhead::Made : MadeAhead::WriteFailed;
}

OutputStart OutputFile::Begin(Extraction* x, const std::string& path, bool claimed) {
    x_ = x;
    path_ = path;
    name_ = path.compare(0, x->destination.size(), x->destination) == 0 ? path.substr(x->destination.size()) : path;
    temp_.clear();
    if (x->Stopping()) return OutputStart::Stop;
    // A second entry that lands on a file of this call (names that differ
    // only in case, or in characters code page 932 lacks) never replaces it,
    // and the overwrite question is only for files that were there before.
    if (!claimed && !ClaimPath(x, path)) {
        x->Fail(FDARC_E_SAME_NAME, "別の項目と同じファイル名になるため展開しません: " + name_);
        return OutputStart::Skip;
    }
    if (!CreateFolders(x, FolderOf(path))) return OutputStart::Skip;
    // Create first, look later: under Wine every lookup of a missing name reads
    // the whole folder (names are matched without case), so one call, not two.
    if (writer_.CreateNew(path)) return OutputStart::Write;
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            x->Fail(FDARC_E_WRITE, "同じ名前のフォルダがあります: " + path);
            return OutputStart::Skip;
        }
        if (!x->overwrite) {
            if (x->keepExisting) return OutputStart::Skip;
            switch (AskOverwrite(x->owner, path)) {
            case OverwriteAnswer::Cancel:
                x->cancelled = true;
                x->Fail(FDARC_E_CANCELLED, "中止しました");
                return OutputStart::Stop;
            case OverwriteAnswer::NoToAll:  x->keepExisting = true; return OutputStart::Skip;
            case OverwriteAnswer::No:       return OutputStart::Skip;
            case OverwriteAnswer::YesToAll: x->overwrite = true; break;
            case OverwriteAnswer::Yes:      break;
            }
        }
        temp_ = MakeTempBeside(path);
        if (temp_.empty()) {
            x->Fail(FDARC_E_WRITE, "一時ファイルを作成できません: " + path);
            return OutputStart::Skip;
        }
    }
    if (temp_.empty()) {
        x->Fail(FDARC_E_WRITE, "ファイルを作成できません: " + path);
        return OutputStart::Skip;
    }
    if (!writer_.Create(temp_)) {
        DeleteFileA(temp_.c_str());
        x->Fail(FDARC_E_WRITE, "ファイルを作成できません: " + path);
        return OutputStart::Skip;
    }
    return OutputStart::Write;
}

bool OutputFile::Write(const void* data, size_t count) {
    if (!writer_.Write(data, count)) return false;
    return ReportProgress(name_, x_->position ? x_->position() : ProgressDone() + count);
}

bool OutputFile::Commit(Extraction* x, const FILETIME& modified) {
    writer_.SetTime(modified);
    if (!writer_.Finish()) {
        x->Fail(FDARC_E_WRITE, "書き込めません: " + path_);
        return false;
    }
    if (temp_.empty()) return true;
    DWORD attributes = GetFileAttributesA(path_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path_.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExA(temp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileA(temp_.c_str());
        x->Fail(FDARC_E_WRITE, "上書きできません: " + path_);
        return false;
    }
    return true;
}
