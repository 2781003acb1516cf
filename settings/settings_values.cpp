#include "settings/settings.h"

SettingsRecord Settings;

void ResetSettings(const char* currentFolder) {
    Settings.DefCompType = 0;
    Settings.DefMeltAuto = AutoFolderUnlessSingle;
    Settings.DefMeltOverwrite = 0;
    Settings.DefError = 0;
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), currentFolder);
}

// A hand-edited file may hold anything. Values that would index a table out
// of range fall back to their defaults; DefMeltOverwrite is a yes/no switch
// where any non-zero value means overwrite, so it is kept as read.
void NormalizeSettings(SettingsRecord* settings) {
    if (settings->DefCompType > 6) settings->DefCompType = 0;
    if (settings->DefMeltAuto > AutoFolderUnlessSingle) settings->DefMeltAuto = AutoFolderUnlessSingle;
    if (settings->DefError > 1) settings->DefError = 0;
}
