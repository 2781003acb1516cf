#include "tasks/tasklist_format.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The parser's steps as one line of text: "C x.zip 3|P C:\a|E|X y.lzh 1 D:\|ok".
static std::string Transcript(const std::string& bytes) {
    TaskListParser parser;
    StartTaskListParser(&parser, bytes.data(), bytes.size());
    std::string out;
    for (int guard = 0; guard < 100000; ++guard) {
        switch (NextTaskListStep(&parser)) {
        case ListFinished: return out + "ok";
        case ListInvalid: return out + "invalid";
        case ListCompressionTask: out += "C " + std::string(parser.archivePath) + " " + std::to_string(parser.flag) + "|"; break;
        case ListPath: out += "P " + std::string(parser.text) + "|"; break;
        case ListCompressionEnd: out += "E|"; break;
        case ListExtractionTask:
            out += "X " + std::string(parser.archivePath) + " " + std::to_string(parser.flag) + " " + parser.text + "|";
            break;
        }
    }
    return out + "endless";
}

TEST(TaskListFormat, ReadsBlocksAndEveryCheck) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string transcript;
    };
    const std::string head = "#fardelix\r\n";
    const std::string zipBlock = "#TASKSTART\r\narcpath=C:\\out\\x.zip\r\ntask=0\r\nflag=0\r\nC:\\a\r\nC:\\b\\\r\n#TASKEND\r\n";
    const std::string lzhBlock = "#TASKSTART\r\narcpath=D:\\in\\y.lzh\r\ntask=1\r\nflag=2\r\nE:\\dest\\\r\n#TASKEND\r\n";
    const Case cases[] = {
        {"magic only", head, "ok"},
        {"magic without line end", "#fardelix", "invalid"},
        {"magic with trailing blank", "#fardelix \r\n", "invalid"},
        {"magic in capitals", "#FARDELIX\r\n", "invalid"},
        {"empty file", "", "invalid"},
        {"two blocks", head + zipBlock + lzhBlock, "C C:\\out\\x.zip 0|P C:\\a|P C:\\b\\|E|X D:\\in\\y.lzh 2 E:\\dest\\|ok"},
        {"bare LF", "#fardelix\n#TASKSTART\narcpath=C:\\x.zip\ntask=0\nflag=4\nC:\\a\n#TASKEND\n",
         "C C:\\x.zip 4|P C:\\a|E|ok"},
        {"no paths", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\n#TASKEND\r\n", "C C:\\x.zip 0|E|ok"},
        {"blank path line passed on", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\n\r\n#TASKEND\r\n",
         "C C:\\x.zip 0|P |E|ok"},
        {"second line not a block", head + "garbage\r\n" + zipBlock, "ok"},
        {"text after a block ends reading", head + zipBlock + "trailing\r\n" + lzhBlock, "C C:\\out\\x.zip 0|P C:\\a|P C:\\b\\|E|ok"},
        {"kind 2 makes no task", head + lzhBlock + "#TASKSTART\r\narcpath=C:\\z\r\ntask=2\r\nflag=0\r\nC:\\a\r\n#TASKEND\r\n" + zipBlock,
         "X D:\\in\\y.lzh 2 E:\\dest\\|ok"},
        {"kind 2 followed by a block", head + "#TASKSTART\r\narcpath=C:\\z\r\ntask=2\r\nflag=9\r\n" + lzhBlock,
         "X D:\\in\\y.lzh 2 E:\\dest\\|ok"},
        {"two lines after destination", head + "#TASKSTART\r\narcpath=D:\\y.lzh\r\ntask=1\r\nflag=0\r\nE:\\d\\\r\nE:\\e\\\r\n#TASKEND\r\n",
         "X D:\\y.lzh 0 E:\\d\\|invalid"},
        {"extraction end without line end", head + "#TASKSTART\r\narcpath=D:\\y.lzh\r\ntask=1\r\nflag=0\r\nE:\\d\\\r\n#TASKEND",
         "X D:\\y.lzh 0 E:\\d\\|invalid"},
        {"compression end without line end", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\nC:\\a\r\n#TASKEND",
         "C C:\\x.zip 0|P C:\\a|invalid"},
        {"file ends inside the body", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\nC:\\a\r\n",
         "C C:\\x.zip 0|P C:\\a|invalid"},
        {"last path without line end", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\nC:\\a",
         "C C:\\x.zip 0|invalid"},
        {"file ends in the header", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\n", "invalid"},
        {"file ends before the destination", head + "#TASKSTART\r\narcpath=D:\\y.lzh\r\ntask=1\r\nflag=0\r\n", "invalid"},
        {"header without line end", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0", "invalid"},
        {"missing key", head + "#TASKSTART\r\nC:\\x.zip\r\ntask=0\r\nflag=0\r\n#TASKEND\r\n", "invalid"},
        {"short kind line", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\nta\r\nflag=0\r\n#TASKEND\r\n", "invalid"},
        {"kind without number", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=\r\nflag=0\r\n#TASKEND\r\n", "invalid"},
        {"kind with text after it", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0x\r\nflag=0\r\n#TASKEND\r\n", "invalid"},
        {"kind beyond int", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=99999999999\r\nflag=0\r\n#TASKEND\r\n", "invalid"},
        {"negative kind is another kind", head + "#TASKSTART\r\narcpath=C:\\x\r\ntask=-1\r\nflag=0\r\n" + zipBlock,
         "C C:\\out\\x.zip 0|P C:\\a|P C:\\b\\|E|ok"},
        {"compression flag 6", head + "#TASKSTART\r\narcpath=C:\\x.yz1\r\ntask=0\r\nflag=6\r\n#TASKEND\r\n", "C C:\\x.yz1 6|E|ok"},
        {"compression flag 7", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=7\r\n#TASKEND\r\n", "invalid"},
        {"compression flag 256", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=256\r\n#TASKEND\r\n", "invalid"},
        {"compression flag negative", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=-1\r\n#TASKEND\r\n", "invalid"},
        {"extraction flag 3", head + "#TASKSTART\r\narcpath=D:\\y.lzh\r\ntask=1\r\nflag=3\r\nE:\\\r\n#TASKEND\r\n", "invalid"},
        {"explicit plus sign", head + "#TASKSTART\r\narcpath=D:\\y.lzh\r\ntask=+1\r\nflag=+1\r\nE:\\\r\n#TASKEND\r\n",
         "X D:\\y.lzh 1 E:\\|ok"},
        {"keyword case matters", head + "#taskstart\r\n" + zipBlock, "ok"},
        {"lone CR is a character", head + "#TASKSTART\r\r\n" + zipBlock, "ok"},
        {"double-byte paths", head + "#TASKSTART\r\narcpath=C:\\表\\能.zip\r\ntask=0\r\nflag=0\r\nC:\\ソフト\\表示.txt\r\n#TASKEND\r\n",
         "C C:\\表\\能.zip 0|P C:\\ソフト\\表示.txt|E|ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Transcript(c.bytes), c.transcript);
    }
}

// A line of 259 bytes or more (its line end included) arrives in pieces of
// at most 259 bytes; only the piece with the line end has one.
TEST(TaskListFormat, LongLinesArriveInPieces) {
    struct Case {
        const char* name;
        size_t length;
        const char* lineEnd;
        std::vector<size_t> pieces;
    };
    const Case cases[] = {
        {"258 and LF: one piece", 258, "\n", {258}},
        {"258 and CR LF: one piece", 258, "\r\n", {258}},
        {"259 and LF: the LF alone", 259, "\n", {259, 0}},
        {"600 and LF", 600, "\n", {259, 259, 82}},
        {"300 without line end", 300, "", {259, 41}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = std::string(c.length, 'p') + c.lineEnd;
        TaskListReader reader = {bytes.data(), bytes.size(), 0};
        TaskListLine line;
        std::vector<size_t> pieces;
        while (ReadTaskListLine(&reader, &line)) {
            pieces.push_back(line.length);
            EXPECT_EQ(strlen(line.text), line.length);
        }
        EXPECT_EQ(pieces, c.pieces);
    }
}

TEST(TaskListFormat, LongPathLineSplitsIntoTwoPaths) {
    std::string path = "C:\\" + std::string(300, 'q');
    std::string bytes = "#fardelix\r\n#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\n" + path + "\r\n#TASKEND\r\n";
    EXPECT_EQ(Transcript(bytes), "C C:\\x.zip 0|P " + path.substr(0, 259) + "|P " + path.substr(259) + "|E|ok");
}

// Test bytes with NUL bytes inside: the literal's size, not strlen.
template <size_t N>
static std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

TEST(TaskListFormat, NulBytesAndEndOfBufferAreSafe) {
    std::string bytes = Bytes("#fardelix\r\n#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\nC:\\a\0b\r\n#TASKEND\r\n");
    EXPECT_EQ(Transcript(bytes), "C C:\\x.zip 0|P C:\\a|E|ok");
    // A NUL inside a header value makes it unreadable.
    std::string header = Bytes("#fardelix\r\n#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\0\r\nflag=0\r\n#TASKEND\r\n");
    EXPECT_EQ(Transcript(header), "invalid");
    // The reader stops at the given size even when more bytes follow in memory.
    std::string full = "#fardelix\r\n#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\n#TASKEND\r\n";
    TaskListParser parser;
    StartTaskListParser(&parser, full.data(), full.size() - 3);   // cut inside "#TASKEND"
    EXPECT_EQ(NextTaskListStep(&parser), ListCompressionTask);
    EXPECT_EQ(NextTaskListStep(&parser), ListInvalid);
    EXPECT_EQ(NextTaskListStep(&parser), ListInvalid);   // stays invalid
}

static bool AppendToString(void* context, const char* bytes, size_t length) {
    static_cast<std::string*>(context)->append(bytes, length);
    return true;
}

TEST(TaskListFormat, WritesWhatReadsBack) {
    std::string out;
    TaskListWriter writer = {AppendToString, &out, true};
    WriteTaskListMagic(&writer);
    WriteTaskListHeader(&writer, "C:\\表\\x.zip", 0, 3);
    WriteTaskListLine(&writer, "C:\\ソフト\\表示.txt");
    WriteTaskListLine(&writer, "C:\\data\\");
    WriteTaskListEnd(&writer);
    WriteTaskListHeader(&writer, "D:\\in\\y.lzh", 1, 2);
    WriteTaskListLine(&writer, "E:\\out\\");
    WriteTaskListEnd(&writer);
    ASSERT_TRUE(writer.ok);
    EXPECT_EQ(out, "#fardelix\r\n#TASKSTART\r\narcpath=C:\\表\\x.zip\r\ntask=0\r\nflag=3\r\nC:\\ソフト\\表示.txt\r\n"
                   "C:\\data\\\r\n#TASKEND\r\n#TASKSTART\r\narcpath=D:\\in\\y.lzh\r\ntask=1\r\nflag=2\r\nE:\\out\\\r\n"
                   "#TASKEND\r\n");
    EXPECT_EQ(Transcript(out), "C C:\\表\\x.zip 3|P C:\\ソフト\\表示.txt|P C:\\data\\|E|X D:\\in\\y.lzh 2 E:\\out\\|ok");
}

static bool FailAfterTwo(void* context, const char*, size_t) { return ++*static_cast<int*>(context) <= 2; }

TEST(TaskListFormat, WriterRefusesLinesThatWouldNotReadBack) {
    struct Case {
        const char* name;
        std::string archive;
        std::string path;
        bool ok;
    };
    const Case cases[] = {
        {"longest archive line", "C:\\" + std::string(247, 'a'), "C:\\a", true},   // 8 + 250 = 258
        {"archive line one too long", "C:\\" + std::string(248, 'a'), "C:\\a", false},
        {"longest path line", "C:\\x.zip", "C:\\" + std::string(255, 'p'), true},
        {"path line one too long", "C:\\x.zip", "C:\\" + std::string(256, 'p'), false},
        {"line end inside a path", "C:\\x.zip", "C:\\a\nb", false},
        {"path reading as the block end", "C:\\x.zip", "#TASKEND", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string out;
        TaskListWriter writer = {AppendToString, &out, true};
        WriteTaskListMagic(&writer);
        WriteTaskListHeader(&writer, c.archive.c_str(), 0, 0);
        WriteTaskListLine(&writer, c.path.c_str());
        WriteTaskListEnd(&writer);
        EXPECT_EQ(writer.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(Transcript(out), "C " + c.archive + " 0|P " + c.path + "|E|ok");
        }
    }
    // A failing sink is remembered and nothing more is written.
    int calls = 0;
    TaskListWriter failing = {FailAfterTwo, &calls, true};
    WriteTaskListMagic(&failing);
    WriteTaskListHeader(&failing, "C:\\x.zip", 0, 0);
    WriteTaskListEnd(&failing);
    EXPECT_FALSE(failing.ok);
    EXPECT_EQ(calls, 3);
}
