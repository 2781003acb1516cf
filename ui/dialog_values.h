// What the settings and extraction settings dialogs read from and write to
// their controls, as plain values. No Windows header: tests run it natively.
#pragma once
#include <cstddef>

#include "settings/settings.h"

enum DestinationCheck {
    DestinationOk,
    DestinationEmpty,
    DestinationTooLong,
    DestinationNotFullPath,
    DestinationBadCharacter,
    DestinationNoDrive,  // found by the dialog: the drive does not exist
};

DestinationCheck MakeDestinationFolder(const char* typed, char* folder, size_t size);
const char* DestinationMessage(DestinationCheck check);

unsigned char ShownAutoFolder(int mode);
unsigned char AutoFolderFromRadios(bool always, bool never);

// The state of the settings dialog's controls.
struct SettingsChoice {
    int formatPosition;  // selected position of the format list, -1 for none
    bool autoAlways;
    bool autoNever;
    bool overwriteAsk;
    bool errorContinue;
};

int FormatPositionFor(unsigned char defCompType);
SettingsChoice ChoiceFromSettings(const SettingsRecord& settings);
void ApplySettingsChoice(const SettingsChoice& choice, SettingsRecord* settings);
