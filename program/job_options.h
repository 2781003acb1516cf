// The switches of a job run without a person ("/run", "/log FILE",
// "/overwrite:all|skip", "/min") and the command line left for the paths.
#pragma once
#include <cstddef>
#include <string>

enum JobOverwriteRule { JobSkipExisting, JobOverwriteExisting };

struct JobOptions {
    bool run;                  // run every task and end
    bool minimised;            // start the window minimised
    JobOverwriteRule overwrite;
    std::string log;           // the log file; empty: no log
    std::string refused;       // the first switch not understood; empty when none
    std::string paths;         // the command line without the switches, for the path rules
    bool nothingToRun;         // "/run" without a path
};

void ReadJobOptions(const char* commandLine, JobOptions* options);
bool AnyPathToken(const char* commandLine);
bool JobCommandLineRefused(const JobOptions& options);
void FormatJobUsage(const JobOptions& options, char* text, size_t size);
