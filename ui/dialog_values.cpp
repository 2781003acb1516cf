#include "ui/dialog_values.h"

#include <cstring>

#include "archivers/formats.h"

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// A folder Windows can hold starts with a drive ("C:\") or names a share
// ("\\server\share"); a relative folder would be taken from whatever
// folder the archiver library happens to be in.
static bool IsFullFolderPath(const char* folder) {
    unsigned char first = static_cast<unsigned char>(folder[0]);
    bool letter = (first >= 'A' && first <= 'Z') || (first >= 'a' && first <= 'z');
    if (letter && folder[1] == ':') return IsSeparator(folder[2]);
    return IsSeparator(folder[0]) && IsSeparator(folder[1]) && folder[2] != '\0' && !IsSeparator(folder[2]);
}

// Characters no Windows name holds: * ? " < > |, control characters and a
// ':' other than the drive's. '|' (0x7C) is also a trail byte (ポ is
// 0x83 0x7C), so the scan steps over double-byte characters.
static bool HoldsOnlyNameCharacters(const char* folder) {
    for (const char* p = folder; *p; p = NextChar932(p)) {
        if (NextChar932(p) - p == 2) continue;
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 || strchr("*?\"<>|", c) != nullptr) return false;
        if (c == ':' && p != folder + 1) return false;
    }
    return true;
}

// The typed folder with a backslash at its end. Empty text is refused, and
// so is a folder that leaves no room for the backslash and terminator in a
// task's 260-byte destination, one that is no full path and one with a
// character no path can hold. The check for the backslash steps over
// double-byte characters: "C:\表" ends in the trail byte 0x5C, not in '\'.
DestinationCheck MakeDestinationFolder(const char* typed, char* folder, size_t size) {
    if (size > 0) folder[0] = '\0';
    if (typed[0] == '\0') return DestinationEmpty;
    DestinationCheck check = DestinationOk;
    if (!CopyText(folder, size, typed) || !AppendBackslash(folder, size)) {
        check = DestinationTooLong;
    } else if (!IsFullFolderPath(folder)) {
        check = DestinationNotFullPath;
    } else if (!HoldsOnlyNameCharacters(folder)) {
        check = DestinationBadCharacter;
    }
    if (check != DestinationOk && size > 0) folder[0] = '\0';
    return check;
}

const char* DestinationMessage(DestinationCheck check) {
    switch (check) {
    case DestinationEmpty:        return "圧縮ファイルを解凍するフォルダが指定されていません";
    case DestinationTooLong:      return "解凍するフォルダのパスが長すぎます";
    case DestinationNotFullPath:  return "解凍するフォルダはドライブ名から始まるパスで指定してください";
    case DestinationBadCharacter: return "解凍するフォルダのパスに使えない文字（* ? \" < > |）が含まれています";
    case DestinationNoDrive:      return "解凍するフォルダのドライブが存在しません";
    case DestinationOk:           break;
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
