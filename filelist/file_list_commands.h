// Commands of the file-list window's menu, toolbar, keys and controls.
#pragma once

void ExecuteFileListCommand(int command, int notification);
