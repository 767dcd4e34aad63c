#include "model/file_io.h"

#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>

namespace pellisor {
namespace {

std::size_t filesIn(const std::string& directory) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) ++count;
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

}  // namespace
}  // namespace pellisor
