#include "tasks/task_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/text.h"

TEST(TaskPaths, DefaultArchivePathJoinsFolderNameAndFormat) {
    struct Case {
        const char* folder;
        int format;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\work", 1, "C:\\work\\名称未設定.lzh"},
        {"C:\\", 0, "C:\\名称未設定.zip"},
        {"C:\\表", 4, "C:\\表\\名称未設定.7z"},  // 表 ends in 0x5C yet needs a separator
        {"C:\\work\\", 6, "C:\\work\\名称未設定.yz1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        char path[PathSize];
        ASSERT_TRUE(DefaultArchivePath(c.folder, "名称未設定", c.format, path, sizeof(path)));
        EXPECT_STREQ(path, c.expected);
    }
}

TEST(TaskPaths, ExtractionNameAndDestination) {
    struct Case {
        const char* path;
        const char* name;
        const char* destination;
    };
    const Case cases[] = {
        {"D:\\in\\data.zip", "data.zip", "D:\\in\\"},
        {"data.zip", "data.zip", "\\"},
        {"D:\\ソフト\\表.lzh", "表.lzh", "D:\\ソフト\\"},
        {"D:\\表\\a.tar.gz", "a.tar.gz", "D:\\表\\"},
        {"D:x.zip", "x.zip", "D:\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        char name[PathSize];
        char destination[PathSize];
        ArchiveDisplayName(c.path, name, sizeof(name));
        ASSERT_TRUE(ExtractionDestination(c.path, destination, sizeof(destination)));
        EXPECT_STREQ(name, c.name);
        EXPECT_STREQ(destination, c.destination);
    }
}

// Walks a dialog result the way the callers do.
static std::vector<std::string> AllPaths(const std::string& result, size_t size = 1300) {
    std::vector<char> buffer(size, 'X');
    std::copy(result.begin(), result.end(), buffer.begin());
    std::vector<std::string> paths;
    int offset = 0;
    for (int guard = 0; guard < 100; ++guard) {
        char path[PathSize];
        offset = NextSelectedPath(buffer.data(), buffer.size(), path, sizeof(path), static_cast<unsigned short>(offset));
        paths.push_back(path);
        if (offset < 0) break;
    }
    return paths;
}

TEST(TaskPaths, NextSelectedPathWalksOneOrSeveralChoices) {
    struct Case {
        const char* name;
        std::string result;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"single", std::string("C:\\a\\x.txt\0\0", 12), {"C:\\a\\x.txt"}},
        {"several", std::string("C:\\a\0x\0y\0z\0\0", 12), {"C:\\a\\x", "C:\\a\\y", "C:\\a\\z"}},
        {"two", std::string("C:\\a\0long name.txt\0b\0\0", 23), {"C:\\a\\long name.txt", "C:\\a\\b"}},
        {"drive root", std::string("C:\\\0x\0y\0\0", 9), {"C:\\x", "C:\\y"}},
        {"trail byte 0x5C", std::string("C:\\\x95\x5c" "\0\x83\x5c" ".txt\0\0", 14),
         {"C:\\\x95\x5c\\\x83\x5c.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AllPaths(c.result), c.expected);
    }
}

// A result without its terminators inside the buffer is never read past its
// end, and a joined path that does not fit is delivered empty.
TEST(TaskPaths, NextSelectedPathStaysInsideItsBuffers) {
    EXPECT_EQ(AllPaths("C:\\a", 4), std::vector<std::string>{""});
    EXPECT_EQ(AllPaths(std::string("C:\\a\0xy", 7), 7), std::vector<std::string>{""});
    std::string folder = "C:\\" + std::string(250, 'f');
    std::string result = folder + std::string(1, '\0') + std::string(20, 'n') + std::string(1, '\0') + "ok" +
                         std::string(2, '\0');
    EXPECT_EQ(AllPaths(result), (std::vector<std::string>{"", folder + "\\ok"}));
}
