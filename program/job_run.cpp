#include "program/job_run.h"

#include <cstdint>
#include <vector>

#include "app/modal.h"
#include "app/unattended.h"
#include "program/job_text.h"
#include "program/run_loop.h"
#include "program/startup.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/main_window.h"
#include "ui/run_commands.h"

// What the log says of a task, taken when the job starts: the windows that
// hold the archive path may be gone when the last lines are written (a
// person closed the window).
struct JobTask {
    uint32_t id;
    unsigned char kind;
    char archive[PathSize];
    char destination[PathSize];
    int logged;          // the status last written to the log; -1 none yet
};

struct JobState {
    bool running;        // from the start of the queue until its end is logged
    std::vector<JobTask> tasks;
    int exitCode;
};
static JobState Job = {false, {}, 0};

// A refused command line exits with 255: the reason goes to the log, or to
// a box when there is no log and no person-free run was asked for.
int RefuseCommandLine(const JobOptions& options) {
    char text[1024];
    FormatJobUsage(options, text, sizeof(text));
    if (!options.log.empty() && BeginUnattendedJob(options.log.c_str(), false)) {
        WriteJobLog("使用法\t%s", text);
        char end[128];
        FormatJobEndLine(end, sizeof(end), 0, 0, JobRefusedExitCode);
        WriteJobLog("%s", end);
        EndUnattendedJob();
    } else if (!options.run) {
        Modal.messageBox(nullptr, text, "fardelix", MB_OK | MB_ICONWARNING);
    }
    return JobRefusedExitCode;
}

// An extraction goes to its destination folder; an archive is made in its
// own folder.
static void TakeTask(short index) {
    JobTask task = {};
    task.id = TaskTable[index].id;
    task.kind = TaskTable[index].kind;
    task.logged = -1;
    ReadTaskArchivePath(TaskIndexToRow(index), task.archive, sizeof(task.archive));
    if (task.kind == TaskExtraction) {
        CopyText(task.destination, sizeof(task.destination), TaskTable[index].destination);
    } else if (!FolderOfPath(task.archive, task.destination, sizeof(task.destination))) {
        task.destination[0] = '\0';
    }
    Job.tasks.push_back(task);
}

// The tasks in their row order, which is the order they run in.
static void TakeTasks() {
    int rows = TaskRowCount();
    for (int row = 0; row < rows; ++row) {
        short index = RowToTaskIndex(row);
        if (index >= 0) TakeTask(index);
    }
}

static int CurrentStatus(const JobTask& task) {
    short index = FindTaskById(task.id);
    return index >= 0 ? TaskTable[index].status : -1;
}

static void LogTask(JobTask* task, int status) {
    short index = FindTaskById(task->id);
    char line[1200];
    FormatJobTaskLine(line, sizeof(line), status, task->kind, task->archive, task->destination,
                      index >= 0 ? TaskTable[index].reason : "");
    WriteJobLog("%s", line);
    task->logged = status;
}

// A task that has ended, and was not logged with that ending, gets its line.
static void LogEndedTasks() {
    for (JobTask& task : Job.tasks) {
        int status = CurrentStatus(task);
        if ((status == Done || status == Error) && status != task.logged) LogTask(&task, status);
    }
}

// The queue is over: every task not logged yet gets its line as it stands
// (stopped by a person, never run), then the counts.
static void EndJob() {
    if (!Job.running) return;
    LogEndedTasks();
    int done = 0;
    for (JobTask& task : Job.tasks) {
        int status = CurrentStatus(task);
        if (status != task.logged) LogTask(&task, status);
        if (status == Done) ++done;
    }
    int tasks = static_cast<int>(Job.tasks.size());
    Job.exitCode = JobExitCode(tasks, done);
    char end[128];
    FormatJobEndLine(end, sizeof(end), tasks, done, Job.exitCode);
    WriteJobLog("%s", end);
    Job.running = false;
}

// After every run step: tasks that ended are logged; when the run switch
// has fallen to 0 the queue has run dry (or a person stopped it), and the
// window closes without a question.
static void JobStep() {
    if (!Job.running) return;
    LogEndedTasks();
    if (RunSwitch != RunIdle) return;
    EndJob();
    if (MainWindow != nullptr) DestroyWindow(MainWindow);
}

// The window shows progress and can be stopped; "/min" starts it minimised
// without taking the focus.
int RunJob(HINSTANCE instance, const JobOptions& options, const char* commandLine, int show) {
    if (!RegisterMainWindowClass(instance, JobWindowClass)) return JobRefusedExitCode;
    if (!BeginUnattendedJob(options.log.c_str(), options.overwrite == JobOverwriteExisting)) return JobRefusedExitCode;
    WriteJobLog("開始\t%s", commandLine != nullptr ? commandLine : "");
    int exitCode = JobRefusedExitCode;
    HWND window = CreateMainWindow(instance, JobWindowClass);
    if (window != nullptr) {
        bool made = MakeJobTasks(options.paths.c_str());
        ProgramKeys keys;
        LoadProgramKeys(instance, &keys);
        ShowWindow(window, options.minimised ? SW_SHOWMINNOACTIVE : show);
        UpdateWindow(window);
        if (made) {
            Job.running = true;
            TakeTasks();
            StartAllTasks();
            // The first run step needs a message; the queue keeps the loop turning after it.
            PostMessageA(window, WM_NULL, 0, 0);
        } else {
            WriteJobLog("終了\tタスクリストファイルを読み込めませんでした\t終了コード %d", JobRefusedExitCode);
            DestroyWindow(window);
        }
        RunMessageLoop(&keys, JobStep);
        FreeProgramKeys(&keys);
        // A person closed the window: the tasks are logged as they were left.
        EndJob();
        if (made) exitCode = Job.exitCode;
    }
    EndUnattendedJob();
    return exitCode;
}
