#include <windows.h>

#include "app/instance.h"
#include "app/modal.h"
#include "app/unattended.h"
#include "app/text.h"
#include "archivers/archiver_library.h"
#include "archivers/formats.h"
#include "runs/run_support.h"
#include "archivers/run_text.h"
#include "runs/runs.h"
#include "settings/settings.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

// Opens the archive with a second load of its library and compares the
// top-level names of its entries. True when there is more than one, or when
// the inspection failed (the task is then Error); false when all entries
// share one top-level name.
bool InspectArchive(const char* path, int format, short taskIndex) {
    if (!IsFormatIndex(format) || taskIndex < 0 || taskIndex >= TaskCount) return true;
    const uint32_t id = TaskTable[taskIndex].id;
    const FormatRow& row = FormatTable[format];
    ArchiverLibrary library;
    if (!LoadArchiverLibrary(row.ExtractLibrary, row.ExtractPrefix, &library)) {
        char text[TaskReasonSize];
        FormatLibraryNotLoaded(text, sizeof(text), row.ExtractLibrary);
        NoteRunFailure(id, "%s", text);
        SetStatusById(id, Error);
        return true;
    }
    if (!HasInspectionEntries(library)) {
        ReleaseArchiverLibrary(&library);
        // Shown whatever DefError says; without messages it has no owner.
        char text[MissingEntryTextSize];
        FormatMissingEntry(text, sizeof(text), row.ExtractLibrary, "", "");
        ShowErrorMessage(Settings.DefError == 1 ? MainWindow : nullptr, "%s", text);
        SetTaskReason(taskIndex, text);
        SetStatusById(id, Error);
        return true;
    }
    ArchiveHandle archive = library.openArchive(MainWindow, path, 0);
    if (archive == nullptr) {
        ReleaseArchiverLibrary(&library);
        NoteRunFailure(id, "%sを開けませんでした。", path);
        SetStatusById(id, Error);
        return true;
    }
    // Libraries fill the record by their own size: it is zero-filled and
    // larger than any of them writes, and the name is read within bounds.
    static unsigned char record[FindRecordSize];
    ZeroMemory(record, sizeof(record));
    if (library.findFirst(archive, "*", record) == -1) {
        library.closeArchive(archive);
        ReleaseArchiverLibrary(&library);
        NoteRunFailure(id, "書庫内にファイルが存在しません。");
        SetStatusById(id, Error);
        return true;
    }
    // Entries that are only the archive's root ("./" of "tar cf x.tar .")
    // name nothing: the first entry with a real top-level name is compared
    // with the rest.
    char first[FindRecordNameSize + 1];
    bool named = false;
    bool several = false;
    for (;;) {
        char name[FindRecordNameSize + 1];
        ReadFindRecordName(record, name, sizeof(name));
        if (TopLevelNameLength(name) > 0 && !named) {
            CopyText(first, sizeof(first), name);
            named = true;
        } else if (TopLevelNameLength(name) > 0 && !SameTopLevelName(first, name)) {
            several = true;
            break;
        }
        ZeroMemory(record, sizeof(record));
        if (library.findNext(archive, record) == -1) break;
    }
    library.closeArchive(archive);
    ReleaseArchiverLibrary(&library);
    return several;
}

// Whether a folder named after the archive is made in the destination.
static bool WantsArchiveFolder(int mode, const char* archive, int format, uint32_t id) {
    if (mode == AutoFolderAlways) return true;
    if (mode != AutoFolderUnlessSingle) return false;
    short index = FindTaskById(id);
    return index >= 0 && InspectArchive(archive, format, index);
}

// Overwriting without asking: a job without a person follows its own rule,
// not the setting.
static const char* ExtractSwitchFor(const FormatRow& f) {
    bool overwrite = UnattendedJobRunning() ? UnattendedJobOverwrites() : Settings.DefMeltOverwrite != 0;
    return overwrite ? f.ExtractOverwriteSwitch : f.ExtractSwitch;
}

// A stopped or failed run takes back the folder it made for the archive,
// as long as nothing was put into it (a folder that holds anything is not
// removed).
static void RemoveEmptyMadeFolder(const char* folder, bool made) {
    if (made) RemoveDirectoryA(folder);
}

// Runs the extraction task shown in the given task-list row: one library
// call, into the destination or into a folder named after the archive.
void RunExtractionTask(int row) {
    short index = RowToTaskIndex(row);
    if (index < 0) return;
    const uint32_t id = TaskTable[index].id;
    const int mode = TaskTable[index].flag;
    char archive[PathSize];
    ReadTaskArchivePath(row, archive, sizeof(archive));
    const int format = FormatFromExtension(archive);
    ArchiverLibrary library = {};
    if (format < 0) return FailRun(id, &library, "%s の拡張子に対応する書庫形式がありません。", archive);
    const FormatRow& f = FormatTable[format];
    if (!LoadArchiverLibrary(f.ExtractLibrary, f.ExtractPrefix, &library)) {
        return FailNotLoaded(id, &library, f.ExtractLibrary);
    }
    if (library.getRunning == nullptr) return FailMissingEntry(id, &library, f.ExtractLibrary, "GetRunning");
    // Unlike a compression task, an extraction task fails on a busy library.
    // No message box for it, as before; the reason is kept all the same.
    if (library.getRunning()) {
        char text[TaskReasonSize];
        FormatText(text, sizeof(text), "%sは別の処理を実行中です。", f.ExtractLibrary);
        SetTaskReason(FindTaskById(id), text);
        return EndRunWith(id, &library, Error);
    }
    ClearRunCancel();
    SetStatusById(id, Running);
    StatusCountsChanged();
    if (library.main == nullptr) return FailMissingEntry(id, &library, f.ExtractLibrary, "");
    char destination[PathSize];
    CopyText(destination, sizeof(destination), TaskTable[index].destination);
    bool madeFolder = false;
    if (WantsArchiveFolder(mode, archive, format, id)) {
        // A failed inspection has set the task to Error and said why.
        index = FindTaskById(id);
        if (index < 0 || TaskTable[index].status == Error) return EndRunWith(id, &library, Error);
        char name[PathSize];
        ArchiveFolderName(archive, name, sizeof(name));
        if (!AppendArchiveFolder(destination, sizeof(destination), name)) {
            return FailRun(id, &library, "展開先フォルダのパスが長すぎます。%s%s", destination, name);
        }
        // Not tested: an existing folder is simply used, other failures
        // show in the library call.
        madeFolder = CreateDirectoryA(destination, nullptr) != FALSE;
    }
    const char* switches = ExtractSwitchFor(f);
    char commandLine[CommandLineSize];
    if (!BuildExtractCommand(commandLine, sizeof(commandLine), switches, archive, f.FolderOption, destination)) {
        RemoveEmptyMadeFolder(destination, madeFolder);
        return FailRun(id, &library, "コマンドラインが長すぎます。%s", archive);
    }
    if (library.setBackGroundMode != nullptr) library.setBackGroundMode(TRUE);
    bool cancelled = false;
    int result = CallArchiverMain(&library, id, nullptr, commandLine, &cancelled);
    // A library that went on in spite of the stop and succeeded has
    // extracted everything: the task is done.
    if (result == 0 || FindTaskById(id) < 0) return EndRunWith(id, &library, Done);
    RemoveEmptyMadeFolder(destination, madeFolder);
    if (cancelled) return EndRunWith(id, &library, Stopped);
    FailWithResult(id, &library, f.ExtractLibrary, result);
}
