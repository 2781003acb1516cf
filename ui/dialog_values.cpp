#include "ui/dialog_values.h"

#include "archivers/formats.h"

// The typed folder with a backslash at its end. Empty text is refused, and
// so is a folder that leaves no room for the backslash and terminator in a
// task's 260-byte destination. The check for the backslash steps over
// double-byte characters: "C:\表" ends in the trail byte 0x5C, not in '\'.
DestinationCheck MakeDestinationFolder(const char* typed, char* folder, size_t size) {
    if (size > 0) folder[0] = '\0';
    if (typed[0] == '\0') return DestinationEmpty;
    if (!CopyText(folder, size, typed) || !AppendBackslash(folder, size)) {
        if (size > 0) folder[0] = '\0';
        return DestinationTooLong;
    }
    return DestinationOk;
}

const char* DestinationMessage(DestinationCheck check) {
    switch (check) {
    case DestinationEmpty:   return "圧縮ファイルを解凍するフォルダが指定されていません";
    case DestinationTooLong: return "解凍するフォルダのパスが長すぎます";
    case DestinationOk:      break;
    }
    return "";
}

// The rule whose radio is checked: Always and Never as they are; every
// other value shows as UnlessSingle.
unsigned char ShownAutoFolder(int mode) {
    if (mode == AutoFolderAlways || mode == AutoFolderNever) return static_cast<unsigned char>(mode);
    return AutoFolderUnlessSingle;
}

unsigned char AutoFolderFromRadios(bool always, bool never) {
    if (always) return AutoFolderAlways;
    if (never) return AutoFolderNever;
    return AutoFolderUnlessSingle;
}

// A hand-edited file can hold a format that cannot compress; the list then
// shows the default zip rather than nothing.
int FormatPositionFor(unsigned char defCompType) { return IsCompressFormat(defCompType) ? defCompType : 0; }

SettingsChoice ChoiceFromSettings(const SettingsRecord& settings) {
    SettingsChoice choice = {};
    choice.formatPosition = FormatPositionFor(settings.DefCompType);
    unsigned char shown = ShownAutoFolder(settings.DefMeltAuto);
    choice.autoAlways = shown == AutoFolderAlways;
    choice.autoNever = shown == AutoFolderNever;
    choice.overwriteAsk = settings.DefMeltOverwrite == 0;
    choice.errorContinue = settings.DefError == 0;
    return choice;
}

// "Don't ask before overwriting" is stored as 2: the runs only test for 0.
// A list without a selection keeps the format as it was.
void ApplySettingsChoice(const SettingsChoice& choice, SettingsRecord* settings) {
    if (IsCompressFormat(choice.formatPosition)) settings->DefCompType = static_cast<unsigned char>(choice.formatPosition);
    settings->DefMeltAuto = AutoFolderFromRadios(choice.autoAlways, choice.autoNever);
    settings->DefMeltOverwrite = choice.overwriteAsk ? 0 : 2;
    settings->DefError = choice.errorContinue ? 0 : 1;
}
