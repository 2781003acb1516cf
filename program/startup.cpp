#include "program/startup.h"

#include <string>
#include <vector>

#include "program/command_line.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "tasks/task_create.h"
#include "ui/main_commands.h"

static void AddExtractionTask(const char* path, void*) { CreateExtractionTask(path); }
static void CollectPath(const char* path, void* paths) {
    static_cast<std::vector<std::string>*>(paths)->emplace_back(path);
}

// A task list file alone is loaded as the open command loads one. Else,
// when every path is an archive, one extraction task per archive; as soon
// as one is not, every path goes into one new compression task, shown in
// the file-list window. Tokens that are not drive-letter paths count for
// nothing.
void HandleCommandLine(const char* commandLine) {
    if (commandLine == nullptr || commandLine[0] == '\0') return;
    char listFile[CommandTokenSize];
    if (LoneTaskListFile(commandLine, listFile, sizeof(listFile))) {
        OpenTaskListNamed(listFile);
        return;
    }
    bool allArchives = AllPathTokensAreArchives(commandLine);
    if (!allArchives && OpenNewCompressionTask("名称未設定") < 0) return;
    if (allArchives) {
        ForEachPathToken(commandLine, AddExtractionTask, nullptr);
        return;
    }
    std::vector<std::string> paths;
    ForEachPathToken(commandLine, CollectPath, &paths);
    AddPathListToCurrentTask(paths);
}

// The tasks of a job without a person, by the same rules, except that a
// compression task is made without its file-list window. False when a task
// list file could not be loaded (the reason has gone to the log).
bool MakeJobTasks(const char* commandLine) {
    char listFile[CommandTokenSize];
    if (LoneTaskListFile(commandLine, listFile, sizeof(listFile))) return OpenTaskListNamed(listFile);
    if (AllPathTokensAreArchives(commandLine)) {
        ForEachPathToken(commandLine, AddExtractionTask, nullptr);
        return true;
    }
    std::vector<std::string> paths;
    ForEachPathToken(commandLine, CollectPath, &paths);
    CompressPathsUnedited("名称未設定", paths);
    return true;
}

// A second start's command line becomes tasks as the program's own would;
// a lone task list file replaces the list only after the changed one was
// offered for saving. Only drive-letter paths count, so the second start's
// folder (kept with the data) changes nothing of what they name.
void HandleHandedCommandLine(const char* data, size_t size) {
    std::string folder;
    std::string commandLine;
    if (!UnpackHandoff(data, size, &folder, &commandLine)) return;
    char listFile[CommandTokenSize];
    if (LoneTaskListFile(commandLine.c_str(), listFile, sizeof(listFile))) {
        OpenTaskListInPlaceOfChanged(listFile);
        return;
    }
    HandleCommandLine(commandLine.c_str());
}
