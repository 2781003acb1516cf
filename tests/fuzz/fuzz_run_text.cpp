// Arbitrary bytes as archive entry names, list-view paths and archive
// paths: the name rules of the runs must stay inside their buffers and
// agree with themselves.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/text.h"
#include "archivers/run_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str();  // names end at their first NUL
    size_t half = text.size() / 2;
    std::string first = text.substr(0, half);
    std::string other = text.substr(half);

    size_t start = static_cast<size_t>(TopLevelNameStart(first.c_str()) - first.c_str());
    size_t length = TopLevelNameLength(first.c_str());
    if (start > first.size() || length > first.size() - start) abort();
    if (!SameTopLevelName(first.c_str(), first.c_str())) abort();
    if (SameTopLevelName(first.c_str(), other.c_str()) != SameTopLevelName(other.c_str(), first.c_str())) abort();

    // A folder of nothing but separators (or nothing) holds nothing.
    if (PathIsOrIsInside(first.c_str(), other.c_str()) && other.find_first_not_of("\\/") == std::string::npos) abort();
    std::string path = text.substr(0, PathSize - 1);
    char line[ResponseLineSize];
    if (FormatResponseLine(line, sizeof(line), path.c_str(), size % 2 == 0)) {
        size_t lineLength = strlen(line);
        if (lineLength < 3 || line[0] != '"' || line[lineLength - 1] != '\n') abort();
    }
    char name[PathSize];
    ArchiveFolderName(path.c_str(), name, sizeof(name));
    size_t nameLength = strlen(name);
    if (nameLength > 0 && name[nameLength - 1] == ' ' &&
        !(nameLength >= 2 && IsLeadByte932(static_cast<unsigned char>(name[nameLength - 2])))) {
        abort();
    }
    char destination[PathSize];
    CopyText(destination, sizeof(destination), other.c_str());
    AppendArchiveFolder(destination, sizeof(destination), name);
    if (strlen(destination) >= PathSize) abort();
    char command[CommandLineSize];
    BuildCompressCommand(command, sizeof(command), "-r", path.c_str(), "", destination, name);
    BuildExtractCommand(command, sizeof(command), "-x", path.c_str(), "-o ", destination);
    return 0;
}
