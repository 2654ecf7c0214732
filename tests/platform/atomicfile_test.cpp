#include "common/tempdir.h"
#include "posix/atomicfile.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> namesIn(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(AtomicFile, ReplacesWholeKeepingTheModeAndLeavesNoTemporary)
{
    TempDir dir;
    const std::string target = dir.file("plan.dxf");
    writeFile(target, "old");
    ::chmod(target.c_str(), 0600);
    std::string error;
    ASSERT_TRUE(qv::writeFileAtomically(target, "new", error)) << error;
    EXPECT_EQ(readFile(target), "new");
    EXPECT_EQ(modeOf(target), 0600u);
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"plan.dxf"});
}

TEST(AtomicFile, AnAbandonedOrFailedSaveLeavesTheOldFile)
{
    TempDir dir;
    const std::string target = dir.file("plan.dxf");
    writeFile(target, "old");
    {
        qv::AtomicFile file;
        ASSERT_TRUE(file.open(target));
        ASSERT_TRUE(file.write("half"));
        // While the content is written, the temporary already has the final mode.
        for (const std::string& name : namesIn(dir))
            if (name != "plan.dxf") {
                EXPECT_EQ(modeOf(dir.file(name)), modeOf(target)) << name;
            }
    }
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"plan.dxf"});

    std::string error;
    EXPECT_FALSE(qv::writeFileAtomically(dir.file("missing/plan.dxf"), "x", error));
    EXPECT_NE(error.find("does not exist"), std::string::npos) << error;
}

TEST(AtomicFile, RefusesWhatIsNotARegularFileAndFollowsLinksUnlessToldNot)
{
    TempDir dir;
    std::string error;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    EXPECT_FALSE(qv::writeFileAtomically(dir.file("fifo"), "x", error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
    struct stat st {};
    ASSERT_EQ(::lstat(dir.file("fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    fs::create_directory(dir.path() / "folder");
    EXPECT_FALSE(qv::writeFileAtomically(dir.file("folder"), "x", error));
    EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
    EXPECT_FALSE(qv::writeFileAtomically("/dev/null", "x", error));

    writeFile(dir.file("real.dxf"), "old");
    fs::create_symlink("real.dxf", dir.path() / "link.dxf");
    ASSERT_TRUE(qv::writeFileAtomically(dir.file("link.dxf"), "new", error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.dxf"));
    EXPECT_EQ(readFile(dir.file("real.dxf")), "new");

    fs::create_symlink("made.dxf", dir.path() / "dangling.dxf");
    qv::AtomicFile refusing;
    EXPECT_FALSE(refusing.open(dir.file("dangling.dxf"), -1, qv::AtomicFile::Links::kRefuse));
    EXPECT_EQ(refusing.errorNumber(), ELOOP);
    EXPECT_FALSE(fs::exists(dir.path() / "made.dxf"));
    ASSERT_TRUE(qv::writeFileAtomically(dir.file("dangling.dxf"), "made", error)) << error;
    EXPECT_EQ(readFile(dir.file("made.dxf")), "made");
}

TEST(AtomicFile, RemovesTheTemporariesOfSavesWhoseProcessDied)
{
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        qv::AtomicFile file;
        file.open(dir.file("plan.dxf"));
        file.write("killed while saving");
        ::_exit(0);   // no destructor runs: the temporary stays, as after a kill
    }
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(namesIn(dir).size(), 1u);
    std::string error;
    ASSERT_TRUE(qv::writeFileAtomically(dir.file("plan.dxf"), "saved", error)) << error;
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"plan.dxf"});
}

TEST(AtomicFile, ASignalHandlerRemovesTheTemporariesUnderWay)
{
    TempDir dir;
    writeFile(dir.file("plan.dxf"), "old");
    // Saves that ended give their places back: more of them than there are places.
    std::string error;
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(qv::writeFileAtomically(dir.file("plan-" + std::to_string(i) + ".dxf"), "x", error)) << error;
    for (int i = 0; i < 20; ++i)
        fs::remove(dir.file("plan-" + std::to_string(i) + ".dxf"));
    qv::AtomicFile save, plot;
    ASSERT_TRUE(save.open(dir.file("plan.dxf")) && save.write("half"));
    ASSERT_TRUE(plot.open(dir.file("plan.pdf")));
    EXPECT_EQ(namesIn(dir).size(), 3u);
    qv::removeTemporaries();
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"plan.dxf"});
    EXPECT_FALSE(save.commit());
    EXPECT_EQ(readFile(dir.file("plan.dxf")), "old");
}

TEST(AtomicFile, CommitWithoutReplaceKeepsAnExistingFile)
{
    TempDir dir;
    writeFile(dir.file("plan.dxf"), "old");
    qv::AtomicFile file;
    ASSERT_TRUE(file.open(dir.file("plan.dxf")));
    ASSERT_TRUE(file.write("new"));
    EXPECT_FALSE(file.commit(false));
    EXPECT_EQ(file.errorNumber(), EEXIST);
    EXPECT_EQ(readFile(dir.file("plan.dxf")), "old");
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"plan.dxf"});
}

// A save under way in another PID namespace (a container, or a clone of this machine under
// the same name) by a process whose number is free here: a save here keeps its temporary.
TEST(AtomicFile, KeepsTheTemporariesOfAnotherProcessSpace)
{
    TempDir dir;
    const pid_t freed = ::fork();
    if (freed == 0)
        ::_exit(0);
    ::waitpid(freed, nullptr, 0);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t outer = ::fork();
    if (outer == 0) {
        qv::AtomicFile file;   // never closed: the save is under way until the process is killed
        if (::unshare(CLONE_NEWPID) == 0 && ::fork() == 0) {   // the namespace's first process
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            std::ofstream("/proc/sys/kernel/ns_last_pid") << freed - 1;   // its next child's number
            if (::fork() == 0)
                (void)!::write(ready[1], ::getpid() == freed && file.open(dir.file("plan.dxf")) ? "y" : "n", 1);
        }
        ::close(ready[1]);
        for (;;)
            ::pause();
    }
    ::close(ready[1]);
    char ok = 0;
    std::string error;
    const bool started = ::read(ready[0], &ok, 1) == 1 && ok == 'y';
    EXPECT_TRUE(!started || qv::writeFileAtomically(dir.file("plan.dxf"), "saved", error)) << error;
    const size_t names = namesIn(dir).size();
    ::kill(outer, SIGKILL);
    ::waitpid(outer, nullptr, 0);
    ::close(ready[0]);
    if (!started)
        GTEST_SKIP() << "no PID namespace can be made here";
    EXPECT_EQ(names, 2u);
}
