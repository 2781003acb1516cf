// Results of the library's calls. Window-free, so the readers that build
// natively share them.
#pragma once

// Results of the main entries: 0 is success, failures are in the 0x8000 range.
enum FdarcError {
    FDARC_OK = 0,
    FDARC_E_COMMAND = 0x8001,      // command line not understood
    FDARC_E_BUSY = 0x8002,         // a call is already in progress
    FDARC_E_OPEN_ARCHIVE = 0x8003, // archive missing or unreadable
    FDARC_E_CORRUPT = 0x8004,      // not an archive, damaged or truncated
    FDARC_E_UNSUPPORTED = 0x8005,  // zip64, encryption, unknown method
    FDARC_E_READ = 0x8006,         // a source file could not be read
    FDARC_E_WRITE = 0x8007,        // a file or folder could not be written
    FDARC_E_UNSAFE_NAME = 0x8008,  // entry name absolute, with a drive or climbing out
    FDARC_E_CRC = 0x8009,          // data does not match its checksum
    FDARC_E_CANCELLED = 0x800A,    // the user answered Cancel
    FDARC_E_NO_FILES = 0x800B,     // a named file or the response file is missing
    FDARC_E_MEMORY = 0x800C,
    FDARC_E_TOO_LARGE = 0x800D,    // beyond what the format can hold without zip64
    FDARC_E_SAME_NAME = 0x800E,    // two entries map to one file: the second was not written
};
