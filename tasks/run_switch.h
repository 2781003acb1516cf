// The run switch: whether the message loop starts Waiting tasks, and whether
// an archiver library call is in progress. Only the functions below write it.
#pragma once

// 0 idle; 1 the loop looks for a Waiting task after every message;
// 2 an archiver library call is in progress.
enum RunSwitchValue : unsigned char { RunIdle = 0, RunOn = 1, RunInLibrary = 2 };
extern RunSwitchValue RunSwitch;

void SwitchRunningOn();
void SwitchRunningOff();
void EnterLibraryCall();
void RecomputeRunSwitch();

// A stop command on the running task: the library is asked to cancel
// through its progress callback. Cleared when the next run starts.
void RequestRunCancel();
bool RunCancelRequested();
void ClearRunCancel();
