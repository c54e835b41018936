#include "core/trace_log.h"
#include "platform/io_error.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace sw;
using sw::test::readFile;
using sw::test::TempDir;

class TraceLog : public ::testing::Test {
protected:
    TempDir dir;
    sw::test::ScopedCurrentFolder inDir{dir.path()};
};

TEST_F(TraceLog, FirstCallCreatesTheFileWithExactlyOneLine) {
    WriteTrace("270", "Program start");
    EXPECT_EQ(readFile(dir / "debug.log"), "Line 270: Program start\r\n");
}

TEST_F(TraceLog, AppendsAfterTheLastByteAndKeepsEarlierContent) {
    // Earlier content without a final line end stays byte for byte.
    sw::test::writeFile(dir / "debug.log", "older text\nno end");
    WriteTrace("1247", "BitBtn8Click end");
    EXPECT_EQ(readFile(dir / "debug.log"), "older text\nno endLine 1247: BitBtn8Click end\r\n");
}

TEST_F(TraceLog, EmptyMessageStillWritesThePrefix) {
    WriteTrace("307", "");
    WriteTrace("", "x");
    EXPECT_EQ(readFile(dir / "debug.log"), "Line 307: \r\nLine : x\r\n");
}

TEST_F(TraceLog, MessagesAreWrittenAsTheBytesTheyAre) {
    const std::string message("Path: C:\\\xE9t\xE9\x00z", 14);
    WriteTrace("1174", message);
    EXPECT_EQ(readFile(dir / "debug.log"), "Line 1174: " + message + "\r\n");
}

TEST_F(TraceLog, AFileThatCannotBeOpenedRaisesAnInputOutputError) {
    // A folder where the file should be: opening for appending fails.
    std::filesystem::create_directory(dir / "debug.log");
    try {
        WriteTrace("270", "Program start");
        FAIL() << "no error raised";
    } catch (const IoError& error) {
        EXPECT_NE(std::string(error.what()).find("debug.log"), std::string::npos) << error.what();
        EXPECT_NE(error.code(), 0);
    }
}

TEST_F(TraceLog, AFullDiskRaisesInsteadOfLosingTheLineSilently) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available";
    std::filesystem::create_symlink("/dev/full", dir / "debug.log");
    EXPECT_THROW(WriteTrace("270", "Program start"), IoError);
}
