#include "common/tempdir.h"
#include "posix/process.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace {

// Waits up to ten seconds for a file that a started program writes.
std::string waitForFile(const std::string& path)
{
    for (int i = 0; i < 200 && !std::filesystem::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return std::filesystem::exists(path) ? readFile(path) : std::string("(not written)");
}

} // namespace

TEST(WinProcess, ProgramsStartInTheirFolderWithTheirArgumentsWhole)
{
    TempDir dir;
    const std::string folder = dir.file("a folder");
    std::filesystem::create_directory(folder);
    const std::string out = dir.file("out.txt");
    std::string error;
    // The arguments reach the program as they are: blanks, quotes and "$" are no shell's.
    ASSERT_TRUE(qv::startProgram("sh", {"-c", "printf '%s|' \"$0\" \"$(pwd)\" > '" + out + ".tmp'; mv '" + out +
                                              ".tmp' '" + out + "'",
                                        "a \"b\" $c"},
                                 folder, error))
        << error;
    EXPECT_EQ(waitForFile(out), "a \"b\" $c|" + folder + "|");
}

TEST(WinProcess, AProgramThatCannotStartIsNamedWithTheReason)
{
    TempDir dir;
    std::string error;
    EXPECT_FALSE(qv::startProgram(dir.file("missing"), {"x"}, std::string(), error));
    EXPECT_EQ(error, dir.file("missing") + ": No such file or directory");
    EXPECT_FALSE(qv::startProgram("true", {}, dir.file("no such folder"), error));
    EXPECT_EQ(error, "true in " + dir.file("no such folder") + ": No such file or directory");
}
