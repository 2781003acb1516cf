#include "program/job_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/log_line.h"
#include "program/job_text.h"
#include "tasks/task_status.h"

TEST(JobOptions, SwitchesAndPaths) {
    struct Case {
        const char* name;
        const char* line;
        bool run, minimised, overwrite;
        const char* log;
        const char* refused;
        bool nothingToRun;
        const char* paths;
    };
    const Case cases[] = {
        {"list with log", "/run C:\\j\\nightly.fdl /log C:\\j\\nightly.log", true, false, false, "C:\\j\\nightly.log",
         "", false, "\"C:\\j\\nightly.fdl\""},
        {"any case, '-' and quotes", "-RUN \"C:\\a b\\x.zip\" /Overwrite:ALL /MIN /LOG \"C:\\l g.log\"", true, true,
         true, "C:\\l g.log", "", false, "\"C:\\a b\\x.zip\""},
        {"skip is the default and can be given", "/run C:\\x.zip /overwrite:all /overwrite:skip", true, false, false,
         "", "", false, "\"C:\\x.zip\""},
        {"relative log", "/run C:\\x.zip /log night.log", true, false, false, "night.log", "", false, "\"C:\\x.zip\""},
        {"unknown slash switch", "/run C:\\x.zip /fast", true, false, false, "", "/fast", false, "\"C:\\x.zip\""},
        {"unknown slash switch without /run", "/rn C:\\n.fdl", false, false, false, "", "/rn", false,
         "\"C:\\n.fdl\""},
        {"unknown dash switch beside a job switch", "/run -r C:\\x.zip", true, false, false, "", "-r", false,
         "\"C:\\x.zip\""},
        {"/log without its file", "/run C:\\x.zip /log", true, false, false, "", "/log", false, "\"C:\\x.zip\""},
        {"/log followed by a switch", "/run C:\\x.zip /log /min", true, false, false, "", "/log", false,
         "\"C:\\x.zip\""},
        {"/run without paths", "/run /log C:\\a.log x.zip", true, false, false, "C:\\a.log", "", true, "\"x.zip\""},
        {"an old command line is left as it was", "-r C:\\y.lzh", false, false, false, "", "", false, "-r C:\\y.lzh"},
        {"a quote inside a token", "/run C:\\a\"b C:\\c.zip", true, false, false, "", "", false,
         "C:\\a\"b \"C:\\c.zip\""},
        {"a lone slash is a path token", "/run / C:\\c.zip", true, false, false, "", "", false, "\"/\" \"C:\\c.zip\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JobOptions options;
        ReadJobOptions(c.line, &options);
        EXPECT_EQ(options.run, c.run);
        EXPECT_EQ(options.minimised, c.minimised);
        EXPECT_EQ(options.overwrite == JobOverwriteExisting, c.overwrite);
        EXPECT_EQ(options.log, c.log);
        EXPECT_EQ(options.refused, c.refused);
        EXPECT_EQ(options.nothingToRun, c.nothingToRun);
        EXPECT_EQ(options.paths, c.paths);
        EXPECT_EQ(JobCommandLineRefused(options), c.refused[0] != '\0' || c.nothingToRun);
    }
}

// The usage text names what is wrong; one too long for its buffer is cut,
// never overrun.
TEST(JobOptions, UsageText) {
    JobOptions options;
    ReadJobOptions("/run C:\\x.zip /fast", &options);
    char text[512];
    FormatJobUsage(options, text, sizeof(text));
    EXPECT_EQ(std::string(text).rfind("スイッチ /fast を解釈できません。\n\n使い方:\nfardelix.exe /run", 0), 0u) << text;
    ReadJobOptions("/run", &options);
    FormatJobUsage(options, text, sizeof(text));
    EXPECT_EQ(std::string(text).rfind("実行するタスクリストファイルもパスもありません。", 0), 0u) << text;
    char small[20];
    memset(small, 'x', sizeof(small));
    FormatJobUsage(options, small, sizeof(small));
    EXPECT_LT(strlen(small), sizeof(small));
}

TEST(JobLog, LinesAndExitCode) {
    const LogTime time = {2026, 12, 8, 3, 0, 1};
    char line[64];
    FormatLogLine(line, sizeof(line), time, "メッセージ\ttwo\r\nlines");
    EXPECT_STREQ(line, "2026/12/08 03:00:01\tメッセージ\ttwo  lines\r\n");
    // Cut between characters, the line end kept: 表 ends in 0x5C.
    char shortLine[28];
    FormatLogLine(shortLine, sizeof(shortLine), time, "表表表表");
    EXPECT_STREQ(shortLine, "2026/12/08 03:00:01\t表表\r\n");

    char task[256];
    FormatJobTaskLine(task, sizeof(task), Error, TaskExtraction, "C:\\in\\x.zip", "C:\\out\\", "壊れています");
    EXPECT_STREQ(task, "エラー\t展開\tC:\\in\\x.zip\tC:\\out\\\t壊れています");
    FormatJobTaskLine(task, sizeof(task), Done, TaskCompression, "C:\\o\\a.zip", "C:\\o\\", "stale");
    EXPECT_STREQ(task, "完了\t圧縮\tC:\\o\\a.zip\tC:\\o\\\t");
    FormatJobTaskLine(task, sizeof(task), -1, TaskCompression, "C:\\o\\a.zip", "C:\\o\\", "");
    EXPECT_STREQ(task, "削除\t圧縮\tC:\\o\\a.zip\tC:\\o\\\t");

    struct Case {
        int tasks, done, code;
    };
    const Case codes[] = {{0, 0, 0}, {5, 5, 0}, {5, 3, 2}, {300, 0, 255}, {256, 1, 255}};
    for (const Case& c : codes) {
        SCOPED_TRACE(c.tasks * 1000 + c.done);
        EXPECT_EQ(JobExitCode(c.tasks, c.done), c.code);
    }
}
