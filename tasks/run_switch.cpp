#include "tasks/run_switch.h"

#include "tasks/task_table.h"

RunSwitchValue RunSwitch = RunIdle;

// Switch 0 becomes 1; 2 (a library call in progress) stays, and the run in
// progress sets the switch from the statuses when its call returns.
void SwitchRunningOn() {
    if (RunSwitch == RunIdle) RunSwitch = RunOn;
}

// The loop found nothing Waiting.
void SwitchRunningOff() { RunSwitch = RunIdle; }

// The switch reads 2 exactly while the library works, so a start command
// dispatched by the library only marks tasks Waiting.
void EnterLibraryCall() { RunSwitch = RunInLibrary; }

// After a library call, whatever its result: on while a task is Waiting.
void RecomputeRunSwitch() { RunSwitch = AnyTaskWaiting() ? RunOn : RunIdle; }

static bool CancelRequested = false;

void RequestRunCancel() { CancelRequested = true; }
bool RunCancelRequested() { return CancelRequested; }
void ClearRunCancel() { CancelRequested = false; }
