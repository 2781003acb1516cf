#include "app/unattended.h"

#include <gtest/gtest.h>

#include <string>

#include "app/modal.h"
#include "tests/win/test_support.h"

// While a job runs no box is shown: each one is a log line and gets the
// answer that changes nothing; afterwards the program's own boxes are back.
TEST(UnattendedTest, BoxesBecomeLogLines) {
    InstallFakeModal();
    const std::string log = TempFolder("unattended") + "job.log";
    WriteFileBytes(log, "earlier\r\n");
    ASSERT_TRUE(BeginUnattendedJob(log.c_str(), false));
    EXPECT_TRUE(UnattendedJobRunning());
    struct Case {
        UINT type;
        int answer;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONWARNING, IDOK},  {MB_OKCANCEL, IDCANCEL},         {MB_YESNO, IDNO},
        {MB_YESNOCANCEL, IDCANCEL},      {MB_ABORTRETRYIGNORE, IDABORT},  {MB_RETRYCANCEL, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(Modal.messageBox(nullptr, "質問", "動作の確認", c.type), c.answer);
    }
    ShowErrorMessage(nullptr, "表 %d\nline", 5);
    OPENFILENAMEA dialog = {};
    EXPECT_FALSE(Modal.openFileDialog(&dialog));
    EndUnattendedJob();
    EXPECT_FALSE(UnattendedJobRunning());
    EXPECT_TRUE(Fake.messages.empty());
    // The program's boxes are back.
    ShowErrorMessage(nullptr, "after");
    ASSERT_EQ(Fake.messages.size(), 1u);

    std::string text = ReadFileBytes(log);
    EXPECT_EQ(text.rfind("earlier\r\n", 0), 0u);
    EXPECT_NE(text.find("\tメッセージ\terror: 表 5 line\r\n"), std::string::npos) << text;
    size_t lines = 0;
    for (size_t at = text.find("\tメッセージ\t動作の確認: 質問\r\n"); at != std::string::npos;
         at = text.find("\tメッセージ\t動作の確認: 質問\r\n", at + 1)) {
        ++lines;
    }
    EXPECT_EQ(lines, sizeof(cases) / sizeof(cases[0]));
}

// A log that cannot be opened begins no job: the boxes stay the program's.
TEST(UnattendedTest, UnopenableLogBeginsNoJob) {
    InstallFakeModal();
    const std::string folder = TempFolder("unattended-folder");
    EXPECT_FALSE(BeginUnattendedJob(folder.c_str(), true));
    EXPECT_FALSE(UnattendedJobRunning());
    ShowErrorMessage(nullptr, "shown");
    EXPECT_EQ(Fake.messages.size(), 1u);
}
