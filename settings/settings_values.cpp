#include "settings/settings.h"

SettingsRecord Settings;

void ResetSettings(const char* currentFolder) {
    Settings.DefCompType = 0;
    Settings.DefMeltAuto = AutoFolderUnlessSingle;
    Settings.DefMeltOverwrite = 0;
    Settings.DefError = 0;
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), currentFolder);
}

// The folder the next open and save dialogs start in, kept with a backslash
// at its end. A folder too long for that leaves the remembered one as it was.
void RememberOpenFolder(const char* folder) {
    char text[PathSize];
    if (CopyText(text, sizeof(text), folder) && AppendBackslash(text, sizeof(text))) {
        CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), text);
    }
}

// The folder a chosen file lies in.
void RememberFolderOfPath(const char* path) {
    char folder[PathSize];
    if (FolderOfPath(path, folder, sizeof(folder))) RememberOpenFolder(folder);
}

// A hand-edited file may hold anything. Values that would index a table out
// of range fall back to their defaults; DefMeltOverwrite is a yes/no switch
// where any non-zero value means overwrite, so it is kept as read.
void NormalizeSettings(SettingsRecord* settings) {
    if (settings->DefCompType > 6) settings->DefCompType = 0;
    if (settings->DefMeltAuto > AutoFolderUnlessSingle) settings->DefMeltAuto = AutoFolderUnlessSingle;
    if (settings->DefError > 1) settings->DefError = 0;
}
