#include "settings/settings.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "settings/ini_text.h"

namespace {

constexpr LONGLONG LargestSettingsFile = 1 << 20;

enum class SettingsFile { Read, Missing, LeftToSystem };

// The low 8 bits, as the settings are bytes.
unsigned char LowByte(int number) { return static_cast<unsigned char>(number & 0xFF); }

bool IsFullPath(const char* path) {
    return (path[0] != '\0' && path[1] == ':' && path[2] == '\\') || (path[0] == '\\' && path[1] == '\\');
}

bool HasByteOrderMark(const std::string& text) {
    return text.compare(0, 3, "\xEF\xBB\xBF") == 0 || text.compare(0, 2, "\xFF\xFE") == 0 ||
           text.compare(0, 2, "\xFE\xFF") == 0;
}

// The whole file in one read, where the profile functions open and parse it
// again for every key. What they would read differently (a file with a
// byte-order mark, a path that is not a full one, which they look for in
// the Windows folder) or a file that cannot be read in one go is left to
// them.
SettingsFile ReadSettingsText(const char* iniPath, std::string* text) {
    if (!IsFullPath(iniPath)) return SettingsFile::LeftToSystem;
    HANDLE file = CreateFileA(iniPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return missing ? SettingsFile::Missing : SettingsFile::LeftToSystem;
    }
    LARGE_INTEGER size = {};
    bool read = GetFileSizeEx(file, &size) && size.QuadPart < LargestSettingsFile;
    if (read && size.QuadPart > 0) {
        text->resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        read = ReadFile(file, &(*text)[0], static_cast<DWORD>(size.QuadPart), &got, nullptr) && got == text->size();
    }
    CloseHandle(file);
    return read && !HasByteOrderMark(*text) ? SettingsFile::Read : SettingsFile::LeftToSystem;
}

unsigned char ByteIn(const std::string& text, const char* key, int fallback) {
    std::string value;
    return LowByte(FindIniValue(text, "CONFIG", key, &value) ? IniNumber(value, fallback) : fallback);
}

// A folder too long for a path keeps the one from before, as a folder
// remembered in the program does.
void TakeSettingsText(const std::string& text) {
    Settings.DefCompType = ByteIn(text, "DefCompType", 0);
    Settings.DefMeltAuto = ByteIn(text, "DefMeltAuto", AutoFolderUnlessSingle);
    Settings.DefMeltOverwrite = ByteIn(text, "DefMeltOverwrite", 0);
    Settings.DefError = ByteIn(text, "DefError", 0);
    std::string folder;
    if (FindIniValue(text, "DIR", "OpenFolder", &folder) && folder.size() < sizeof(Settings.OpenFolder)) {
        CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), folder.c_str());
    }
}

unsigned char ByteFromSystem(const char* key, int fallback, const char* iniPath) {
    return LowByte(static_cast<int>(GetPrivateProfileIntA("CONFIG", key, fallback, iniPath)));
}

void TakeSettingsFromSystem(const char* iniPath) {
    Settings.DefCompType = ByteFromSystem("DefCompType", 0, iniPath);
    Settings.DefMeltAuto = ByteFromSystem("DefMeltAuto", AutoFolderUnlessSingle, iniPath);
    Settings.DefMeltOverwrite = ByteFromSystem("DefMeltOverwrite", 0, iniPath);
    Settings.DefError = ByteFromSystem("DefError", 0, iniPath);
    // One byte more than a path holds: a value that fills it was cut.
    char folder[PathSize + 1];
    DWORD length = GetPrivateProfileStringA("DIR", "OpenFolder", Settings.OpenFolder, folder, sizeof(folder), iniPath);
    if (length < PathSize) CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), folder);
}

}  // namespace

// A missing key, or a missing file, gives the default (for the folder, the
// one it had); a text value of a number reads as 0.
bool LoadSettings(const char* iniPath) {
    std::string text;
    if (ReadSettingsText(iniPath, &text) == SettingsFile::LeftToSystem) {
        TakeSettingsFromSystem(iniPath);
    } else {
        TakeSettingsText(text);
    }
    NormalizeSettings(&Settings);
    return true;
}

static bool WriteByte(const char* key, unsigned char value, const char* iniPath) {
    char text[8];
    snprintf(text, sizeof(text), "%d", value);
    return WritePrivateProfileStringA("CONFIG", key, text, iniPath) != FALSE;
}

// Every key is written every time; a failure is not reported to the user.
bool SaveSettings(const char* iniPath) {
    bool ok = WriteByte("DefCompType", Settings.DefCompType, iniPath);
    ok = WriteByte("DefMeltAuto", Settings.DefMeltAuto, iniPath) && ok;
    ok = WriteByte("DefMeltOverwrite", Settings.DefMeltOverwrite, iniPath) && ok;
    ok = WriteByte("DefError", Settings.DefError, iniPath) && ok;
    ok = (WritePrivateProfileStringA("DIR", "OpenFolder", Settings.OpenFolder, iniPath) != FALSE) && ok;
    return ok;
}
