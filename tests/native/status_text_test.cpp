#include "tasks/task_status.h"

#include <gtest/gtest.h>

#include <string>

#include "app/layout.h"

// The counts go out in the bar's order (running, waiting, done, stopped,
// error), not in the order of the status values.
TEST(StatusText, CountsInTheBarsOrder) {
    struct Case {
        const char* name;
        int rows;
        int counts[TaskStatusCount];  // by status value: stopped, waiting, running, done, error
        const char* text;
    };
    const Case cases[] = {
        {"empty", 0, {0, 0, 0, 0, 0},
         "  総数 =    0  実行 =    0  待機 =    0  完了 =    0  停止 =    0  エラー =    0"},
        {"one of each", 5, {1, 2, 3, 4, 5},
         "  総数 =    5  実行 =    3  待機 =    2  完了 =    4  停止 =    1  エラー =    5"},
        {"past four digits", 32767, {32767, 0, 0, 0, 0},
         "  総数 = 32767  実行 =    0  待機 =    0  完了 =    0  停止 = 32767  エラー =    0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        char text[160];
        FormatStatusCounts(c.rows, c.counts, text, sizeof(text));
        EXPECT_STREQ(text, c.text);
    }
}

TEST(StatusText, CutToTheBufferAndTerminated) {
    const int counts[TaskStatusCount] = {};
    char text[12];
    FormatStatusCounts(3, counts, text, sizeof(text));
    EXPECT_EQ(std::string(text), std::string("  総数 =    3").substr(0, 11));
}

TEST(StatusText, LabelsOfEveryStatusAndNoneOutside) {
    const char* labels[TaskStatusCount] = {"停止", "待機", "実行", "完了", "エラー"};
    for (int status = 0; status < TaskStatusCount; ++status) EXPECT_STREQ(TaskStatusLabel(status), labels[status]);
    EXPECT_STREQ(TaskStatusLabel(-1), "");
    EXPECT_STREQ(TaskStatusLabel(TaskStatusCount), "");
}

TEST(StatusText, StatusPartEdge) {
    struct Case {
        int width, edge;
    };
    const Case cases[] = {{300, 400}, {490, 400}, {491, 401}, {600, 510}, {1000, 910}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(StatusPartEdge(c.width), c.edge);
    }
}

// Part 1 keeps room for its longest text while part 0 has room for its own.
TEST(StatusText, FittedStatusPartEdge) {
    struct Case {
        int width, zero, one, edge;
    };
    const Case cases[] = {
        {784, 480, 300, 484},    // both fit: part 1 gets its 300
        {784, 500, 300, 500},    // too narrow: part 0 wins
        {1000, 300, 50, 910},    // part 1 never under 90
        {300, 100, 300, 400},    // part 0 never ends before 400
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        EXPECT_EQ(FittedStatusPartEdge(c.width, c.zero, c.one), c.edge);
    }
}
