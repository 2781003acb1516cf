#include "program/job_text.h"

#include "app/text.h"
#include "tasks/task_status.h"

// "エラー<TAB>展開<TAB>C:\in\x.zip<TAB>C:\out\<TAB>why": the fields apart by
// tabs, so a script can cut them; the reason only for a task that failed.
void FormatJobTaskLine(char* text, size_t size, int status, int kind, const char* archive, const char* destination,
                       const char* reason) {
    const char* kindText = kind == TaskCompression ? "圧縮" : "展開";
    const char* why = status == Error && reason != nullptr ? reason : "";
    // A task a person deleted while the job ran has no status left.
    const char* label = status < 0 ? "削除" : TaskStatusLabel(status);
    FormatText(text, size, "%s\t%s\t%s\t%s\t%s", label, kindText, archive, destination, why);
}

void FormatJobEndLine(char* text, size_t size, int tasks, int done, int exitCode) {
    FormatText(text, size, "終了\tタスク %d\t完了 %d\t未完了 %d\t終了コード %d", tasks, done, tasks - done, exitCode);
}

// The tasks that did not end 完了, at most 255: an exit code has 8 bits
// for a batch file's ERRORLEVEL comparisons, and 255 also says that the
// job could not begin.
int JobExitCode(int tasks, int done) {
    int failed = tasks - done;
    if (failed < 0) return 0;
    return failed > JobRefusedExitCode ? JobRefusedExitCode : failed;
}
