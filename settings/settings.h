// The five settings: read from fardelix.ini when the main window is created,
// changed by the settings dialog, written back when the main window closes.
#pragma once
#include "app/text.h"

enum AutoFolderMode : unsigned char { AutoFolderAlways = 0, AutoFolderNever = 1, AutoFolderUnlessSingle = 2 };

struct SettingsRecord {
    unsigned char DefCompType;       // format index of new compression tasks, 0..6
    unsigned char DefMeltAuto;       // AutoFolderMode of new extraction tasks
    unsigned char DefMeltOverwrite;  // 0 asks before overwriting, anything else overwrites
    unsigned char DefError;          // 1 shows run errors in a message box
    char OpenFolder[PathSize];       // where the open and save dialogs start
};

extern SettingsRecord Settings;

void ResetSettings(const char* currentFolder);
void NormalizeSettings(SettingsRecord* settings);
void RememberOpenFolder(const char* folder);
void RememberFolderOfPath(const char* path);
bool LoadSettings(const char* iniPath);
bool SaveSettings(const char* iniPath);
