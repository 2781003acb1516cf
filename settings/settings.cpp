#include "settings/settings.h"

#include <windows.h>

#include <cstdio>

static unsigned char ReadByte(const char* section, const char* key, int fallback, const char* iniPath) {
    // The low 8 bits, as the settings are bytes; a text value reads as 0.
    return static_cast<unsigned char>(GetPrivateProfileIntA(section, key, fallback, iniPath) & 0xFF);
}

bool LoadSettings(const char* iniPath) {
    Settings.DefCompType = ReadByte("CONFIG", "DefCompType", 0, iniPath);
    Settings.DefMeltAuto = ReadByte("CONFIG", "DefMeltAuto", AutoFolderUnlessSingle, iniPath);
    Settings.DefMeltOverwrite = ReadByte("CONFIG", "DefMeltOverwrite", 0, iniPath);
    Settings.DefError = ReadByte("CONFIG", "DefError", 0, iniPath);
    char folder[PathSize];
    GetPrivateProfileStringA("DIR", "OpenFolder", Settings.OpenFolder, folder, sizeof(folder), iniPath);
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), folder);
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
