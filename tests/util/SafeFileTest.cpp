#include "util/SafeFile.h"
#include "tests/support/TempDir.h"
#include "util/Errors.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace torvel;
namespace fs = std::filesystem;

class SafeFileTest : public test::TempDirTest {};

static int CountEntries(const fs::path& dir) {
    int n = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

TEST_F(SafeFileTest, ReplacesAndReadsBackByteForByte) {
    std::string bytes("a\r\n\0\xFF"
                      "b",
                      6);
    ReplaceFileSafely("f.txt", bytes);
    EXPECT_EQ(ReadWholeFile("f.txt"), bytes);
    size_t size = 0;
    auto buffer = ReadWholeFileBuffer("f.txt", size);
    EXPECT_EQ(std::string(buffer.get(), size), bytes);
    // A file whose size fstat does not tell (0 here) is read on until its end all the same.
    const std::string cmdline = ReadWholeFile("/proc/self/cmdline");
    EXPECT_GT(cmdline.size(), 1u);
    buffer = ReadWholeFileBuffer("/proc/self/cmdline", size);
    EXPECT_EQ(std::string(buffer.get(), size), cmdline);
    ReplaceFileSafely("f.txt", "");
    EXPECT_EQ(ReadWholeFile("f.txt"), "");
    ReadWholeFileBuffer("f.txt", size);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(CountEntries("."), 1);
    EXPECT_TRUE(FileExists("f.txt"));
    EXPECT_FALSE(FileExists("g.txt"));
}

TEST_F(SafeFileTest, FailuresKeepTheFormerFileAndLeaveNoTemporary) {
    ReplaceFileSafely("keep.txt", "old contents");
    fs::create_directory("dir.txt");
    // A directory in the file's place.
    EXPECT_THROW(ReplaceFileSafely("dir.txt", "x"), FileError);
    EXPECT_TRUE(fs::is_directory("dir.txt"));
    // A full disk: the file-size limit makes the write fail half-way.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(ReplaceFileSafely("keep.txt", "much longer new contents"), FileError);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(ReadWholeFile("keep.txt"), "old contents");
    EXPECT_EQ(CountEntries("."), 2);
    if (geteuid() != 0) { // root writes anywhere
        fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_THROW(ReplaceFileSafely("keep.txt", "new"), FileError);
        fs::permissions(".", fs::perms::owner_all);
        EXPECT_EQ(ReadWholeFile("keep.txt"), "old contents");
    }
}

TEST_F(SafeFileTest, OnlyRegularFilesAreRead) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0); // opening it for reading would wait for a writer
    fs::create_directory("dir");
    for (const auto& [name, reason] :
         {std::pair{"pipe", "Not a regular file"}, std::pair{"dir", "Is a directory"}}) {
        try {
            ReadWholeFile(name);
            ADD_FAILURE() << name;
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot open file \"" + std::string(name) + "\". " + reason);
        }
    }
}

TEST_F(SafeFileTest, MissingFileTextNamesTheFileAndTheReason) {
    try {
        ReadWholeFile("Itens.Txt");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"Itens.Txt\". No such file or directory");
    }
    try {
        ReplaceFileSafely("no/such/dir/x.txt", "x");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot create file \"no/such/dir/x.txt\". No such file or directory");
    }
}

TEST_F(SafeFileTest, AReplacementKilledBeforeItsRenameLeavesATemporaryThatTheCleanupRemoves) {
    ReplaceFileSafely("GProd_0.Txt", "former\r\n");
    // A child killed between its write and its rename: no destructor runs.
    const pid_t child = ::fork();
    if (child == 0) {
        FileReplacement file("GProd_0.Txt");
        file.Write("new, never committed\r\n");
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(CountEntries("."), 2);
    // Files of the user's that only look alike stay.
    std::ofstream(".notes.Txt.ab12CD") << "x";
    std::ofstream("a.replacing-ab12CD") << "x";
    fs::create_directory(".dir.replacing-ab12CD");
    RemoveLeftoverReplacements(".");
    EXPECT_EQ(ReadWholeFile("GProd_0.Txt"), "former\r\n");
    EXPECT_EQ(CountEntries("."), 4);
    EXPECT_TRUE(FileExists(".notes.Txt.ab12CD"));
    EXPECT_TRUE(FileExists("a.replacing-ab12CD"));
    EXPECT_TRUE(fs::is_directory(".dir.replacing-ab12CD"));
}
