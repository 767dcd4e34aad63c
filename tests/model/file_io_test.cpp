#include "model/file_io.h"

#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#include <filesystem>

namespace pellisor {
namespace {

std::size_t filesIn(const std::string& directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory))
        ++count;
    return count;
}

// Files may grow to at most `limit` bytes while it lives: writing further fails with EFBIG, even as root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t limit) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit reduced = previous_;
        reduced.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &reduced);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(AtomicWrite, ReplacesTheWholeFileAndKeepsItsMode) {
    test::TempDir dir;
    const std::string path = dir.file("a.txt");
    writeFileAtomically(path, "a much longer first version\n");
    ::chmod(path.c_str(), 0640);
    writeFileAtomically(path, "short\n");
    EXPECT_EQ("short\n", test::readBytes(path));
    struct stat info {};
    ::stat(path.c_str(), &info);
    EXPECT_EQ(0640u, info.st_mode & 0777);
    EXPECT_EQ(1u, filesIn(dir.path()));
}

TEST(AtomicWrite, AFailureMidwayLeavesTheOldFileAndNoLeftovers) {
    test::TempDir dir;
    const std::string path = dir.file("a.txt");
    writeFileAtomically(path, "old contents\n");
    {
        FileSizeLimit limit(1000);
        try {
            writeFileAtomically(path, std::string(5000, 'x'));
            ADD_FAILURE() << "the write should have failed";
        } catch (const Error& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find("Soubor nelze zapsat: " + path));
        }
    }
    EXPECT_EQ("old contents\n", test::readBytes(path));
    EXPECT_EQ(1u, filesIn(dir.path()));
}

TEST(AtomicWrite, MissingDirectoriesAndDirectoriesAsTargetsRaise) {
    test::TempDir dir;
    EXPECT_THROW(writeFileAtomically(dir.file("no/such/a.txt"), "x"), Error);
    EXPECT_THROW(writeFileAtomically(dir.path(), "x"), Error);
    EXPECT_THROW(writeFileAtomically("", "x"), Error);
    EXPECT_EQ(0u, filesIn(dir.path()));
}

TEST(TextFiles, CrLfReadsAsOneLineFeedAndLoneCrStays) {
    EXPECT_EQ("a\nb\rc\n\n", crlfToLf("a\r\nb\rc\r\n\n"));
    EXPECT_EQ("\r", crlfToLf("\r"));
    test::TempDir dir;
    EXPECT_FALSE(readTextFile(dir.file("absent")).has_value());
    EXPECT_FALSE(readFileBytes(dir.path()).has_value());
    EXPECT_FALSE(fileExists(dir.path()));
}

TEST(AtomicWrite, SymbolicLinksAreWrittenThroughAndStayLinks) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    fs::create_directory(dir.file("figs"));
    const std::string target = dir.file("figs/adder.dot");
    test::writeBytes(target, "old graph, longer than the new one\n");
    ::chmod(target.c_str(), 0640);
    // A relative link, and a chain of two links to it.
    fs::create_symlink("figs/adder.dot", dir.file("adder.dot"));
    fs::create_symlink(dir.file("adder.dot"), dir.file("chain.dot"));
    // A link whose target does not exist yet gets that file.
    fs::create_symlink("figs/new.dot", dir.file("dangling.dot"));

    writeFileAtomically(dir.file("adder.dot"), "new\n");
    EXPECT_EQ("new\n", test::readBytes(target));
    writeFileAtomically(dir.file("chain.dot"), "newer\n");
    EXPECT_EQ("newer\n", test::readBytes(target));
    writeFileAtomically(dir.file("dangling.dot"), "made\n");
    EXPECT_EQ("made\n", test::readBytes(dir.file("figs/new.dot")));

    for (const char* link : {"adder.dot", "chain.dot", "dangling.dot"})
        EXPECT_TRUE(fs::is_symlink(dir.file(link))) << link;
    struct stat info {};
    ::stat(target.c_str(), &info);
    EXPECT_EQ(0640u, info.st_mode & 0777);
    EXPECT_EQ(4u, filesIn(dir.path()));  // figs and the three links: no temporary left
    EXPECT_EQ(2u, filesIn(dir.file("figs")));

    // A loop of links is an error, not a hang.
    fs::create_symlink("loop-b", dir.file("loop-a"));
    fs::create_symlink("loop-a", dir.file("loop-b"));
    EXPECT_THROW(writeFileAtomically(dir.file("loop-a"), "x"), Error);
}

TEST(AtomicWrite, InterruptingSignalsLeaveNoTemporaryFile) {
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        test::TempDir dir;
        const std::string path = dir.file("out.bmp");
        test::writeBytes(path, "old\n");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // As in a fresh program: the signal at its default disposition when the write begins.
            std::signal(signalNumber, SIG_DFL);
            try {
                writeFileAtomically(path, [&](const ByteSink& sink) {
                    sink(std::string(100000, 'x'));
                    ::kill(::getpid(), signalNumber);
                    sink("never");
                });
            } catch (...) {
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signalNumber;
        EXPECT_EQ(signalNumber, WTERMSIG(status));
        EXPECT_EQ("old\n", test::readBytes(path));
        EXPECT_EQ(1u, filesIn(dir.path())) << "signal " << signalNumber;
    }
}

TEST(TextFiles, OtherEditorsLineEndsAndByteOrderMarkReadAsLineFeeds) {
    EXPECT_EQ("a\nb\nc\n\n\nd\n", textWithLineFeeds("\xEF\xBB\xBF"
                                                    "a\rb\r\nc\n\r\rd\r"));
    // Only a mark at the very start is one.
    EXPECT_EQ("x\xEF\xBB\xBF", textWithLineFeeds("x\xEF\xBB\xBF"));
    test::TempDir dir;
    test::writeBytes(dir.file("mac.chr"), "\xEF\xBB\xBF# d\r{1,1,1,1,2,1,-1}\r");
    EXPECT_EQ("# d\n{1,1,1,1,2,1,-1}\n", readTextFile(dir.file("mac.chr")));
}

TEST(TextFiles, OnlyRegularFilesAreRead) {
    test::TempDir dir;
    const std::string fifo = dir.file("pipe.chr");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    // Neither blocks: no writer ever opens the FIFO, and /dev/zero never ends.
    EXPECT_FALSE(readFileBytes(fifo).has_value());
    EXPECT_FALSE(readTextFile("/dev/zero").has_value());
    EXPECT_EQ(-1, openRegularFileForReading("/dev/null"));
    test::writeBytes(dir.file("plain"), "x");
    const int fd = openRegularFileForReading(dir.file("plain"));
    ASSERT_GE(fd, 0);
    char byte = 0;
    EXPECT_EQ(1, ::read(fd, &byte, 1));  // blocking reads again once it is known to be a file
    ::close(fd);
}

}  // namespace
}  // namespace pellisor
