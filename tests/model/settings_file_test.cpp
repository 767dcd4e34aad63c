#include "model/settings_file.h"

#include "model/error.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace pellisor {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

void setModificationTime(const std::string& path, std::time_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

timespec modificationTime(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mtim;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size()))
        ++n;
    return n;
}

TEST(SettingsFile, MissingFileGivesFallbacksAndIsNotCreatedByReading) {
    TempDir dir;
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_EQ(file.readString("DOT", "f1_label", "none"), "none");
    EXPECT_EQ(file.readInt("Roztece", "roztecx", 80), 80);
    EXPECT_TRUE(file.readBool("Zobrazeni", "cbloky", true));
    EXPECT_FALSE(file.readBool("Zobrazeni", "hodnoty", false));
    EXPECT_FALSE(std::filesystem::exists(file.path()));
}

TEST(SettingsFile, MissingSectionOrKeyGivesFallback) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[Roztece]\nroztecx=5\n");
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_EQ(file.readInt("Roztece", "roztecy", 70), 70);
    EXPECT_EQ(file.readInt("Zobrazeni", "roztecx", 3), 3);
    EXPECT_EQ(file.readInt("Roztece", "roztecx", 80), 5);
}

TEST(SettingsFile, SectionAndKeyNamesIgnoreCase) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[ROZTECE]\nRoztecX=12\n[dot]\nF1_Label=AND\n");
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_EQ(file.readInt("Roztece", "roztecx", 80), 12);
    EXPECT_EQ(file.readInt("roztece", "ROZTECX", 80), 12);
    EXPECT_EQ(file.readString("DOT", "f1_label", ""), "AND");
}

TEST(SettingsFile, ReadsValuesTrimmedAndWithWindowsLineEnds) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[A]\r\nx =  42 \t\r\nlabel= a b \r\nempty=\r\n");
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_EQ(file.readInt("A", "x", 0), 42);
    EXPECT_EQ(file.readString("A", "label", ""), "a b");
    EXPECT_EQ(file.readString("A", "empty", "fallback"), "");
}

TEST(SettingsFile, IntegerThatDoesNotConvertGivesFallback) {
    TempDir dir;
    writeBytes(dir.file("set.ini"),
               "[A]\nplus=+5\nminus=-17\nletters=abc\ntail=12x\nhex=0x10\nempty=\nbig=2147483648\n"
               "low=-2147483648\nreal=1.5\n");
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_EQ(file.readInt("A", "plus", 0), 5);
    EXPECT_EQ(file.readInt("A", "minus", 0), -17);
    EXPECT_EQ(file.readInt("A", "low", 0), -2147483647 - 1);
    for (const char* key : {"letters", "tail", "hex", "empty", "big", "real"}) {
        EXPECT_EQ(file.readInt("A", key, 99), 99) << key;
    }
}

TEST(SettingsFile, BooleanIsNonZeroIntegerOtherwiseFallback) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[Zobrazeni]\nzero=0\none=1\nseven=7\nminus=-1\nword=true\nempty=\n");
    const SettingsFile file(dir.file("set.ini"));
    EXPECT_FALSE(file.readBool("Zobrazeni", "zero", true));
    EXPECT_TRUE(file.readBool("Zobrazeni", "one", false));
    EXPECT_TRUE(file.readBool("Zobrazeni", "seven", false));
    EXPECT_TRUE(file.readBool("Zobrazeni", "minus", false));
    for (const bool fallback : {false, true}) {
        EXPECT_EQ(file.readBool("Zobrazeni", "word", fallback), fallback);
        EXPECT_EQ(file.readBool("Zobrazeni", "empty", fallback), fallback);
    }
}

TEST(SettingsFile, HandEditBetweenReadsIsSeen) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    const SettingsFile file(path);

    // Same size, rewritten in place, with a different modification time.
    writeBytes(path, "[A]\nx=1\n");
    setModificationTime(path, 1'000'000'000, 100);
    EXPECT_EQ(file.readInt("A", "x", 0), 1);
    EXPECT_EQ(file.readInt("A", "x", 0), 1);
    writeBytes(path, "[A]\nx=2\n");
    setModificationTime(path, 1'000'000'000, 200);
    EXPECT_EQ(file.readInt("A", "x", 0), 2);

    // Same modification time to the nanosecond, different size.
    writeBytes(path, "[A]\nx=345\n");
    setModificationTime(path, 1'000'000'000, 200);
    EXPECT_EQ(file.readInt("A", "x", 0), 345);

    // Replaced by another file.
    const auto other = dir.file("other.ini");
    writeBytes(other, "[A]\nx=678\n");
    setModificationTime(other, 1'000'000'000, 200);
    ASSERT_EQ(std::rename(other.c_str(), path.c_str()), 0);
    EXPECT_EQ(file.readInt("A", "x", 0), 678);

    // Removed.
    std::filesystem::remove(path);
    EXPECT_EQ(file.readInt("A", "x", 0), 0);
}

TEST(SettingsFile, EditThatRestoresSizeAndModificationTimeIsSeen) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "[A]\nx=1\n");
    const SettingsFile file(path);
    EXPECT_EQ(file.readInt("A", "x", 0), 1);
    const auto before = modificationTime(path);

    // Let the clock move on so that the change time of the edit differs.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    writeBytes(path, "[A]\nx=9\n");
    setModificationTime(path, before.tv_sec, before.tv_nsec);
    EXPECT_EQ(file.readInt("A", "x", 0), 9);
}

TEST(SettingsFile, WriteChangesOnlyTheKeyAndKeepsTheRest) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path,
               "; written by hand\n"
               "\n"
               "[Roztece]\n"
               "; the column distance\n"
               "RoztecX=5\n"
               "roztecy=7\n"
               "[Vlastni]\n"
               "# my own section\n"
               "klic=hodnota s mezerou\n"
               "[DOT]\n"
               "f1_label=AND\n");
    SettingsFile file(path);
    file.writeInt("roztece", "roztecx", 9);

    const auto text = readBytes(path);
    EXPECT_NE(text.find("; written by hand\n"), std::string::npos) << text;
    EXPECT_NE(text.find("; the column distance\n"), std::string::npos) << text;
    EXPECT_NE(text.find("# my own section\n"), std::string::npos) << text;
    // Updated where it stands, under its own spelling, and not added a second time.
    EXPECT_NE(text.find("\nRoztecX=9\n"), std::string::npos) << text;
    EXPECT_EQ(count(text, "oztec"), 3u) << text;

    EXPECT_EQ(file.readInt("Roztece", "roztecx", 0), 9);
    EXPECT_EQ(file.readInt("Roztece", "roztecy", 0), 7);
    EXPECT_EQ(file.readString("Vlastni", "klic", ""), "hodnota s mezerou");
    EXPECT_EQ(file.readString("DOT", "f1_label", ""), "AND");
    // The order of the sections stays.
    EXPECT_LT(text.find("[Roztece]"), text.find("[Vlastni]"));
    EXPECT_LT(text.find("[Vlastni]"), text.find("[DOT]"));
}

TEST(SettingsFile, CommentsAtTheEndAndCommentOnlyFilesSurviveRepeatedWrites) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    SettingsFile file(path);

    writeBytes(path, "[A]\nx=1\n; note at the end\n\n; and another\n");
    file.writeInt("A", "x", 2);
    const auto once = readBytes(path);
    EXPECT_NE(once.find("; note at the end\n"), std::string::npos) << once;
    EXPECT_NE(once.find("; and another\n"), std::string::npos) << once;
    file.writeInt("A", "x", 2);
    EXPECT_EQ(readBytes(path), once) << "a rewrite must not grow the file";

    writeBytes(path, "; first\n\n; second");
    file.writeInt("A", "x", 3);
    const auto text = readBytes(path);
    EXPECT_NE(text.find("; first\n"), std::string::npos) << text;
    EXPECT_NE(text.find("; second\n"), std::string::npos) << text;
    EXPECT_EQ(file.readInt("A", "x", 0), 3);
}

TEST(SettingsFile, WriteCreatesMissingFileWithPlainLines) {
    TempDir dir;
    SettingsFile file(dir.file("set.ini"));
    file.writeInt("Roztece", "roztecx", -80);
    file.writeBool("Zobrazeni", "cbloky", true);
    file.writeBool("Zobrazeni", "hodnoty", false);
    file.writeString("DOT", "f1_label", "A AND B");

    const auto text = readBytes(file.path());
    EXPECT_EQ(text.rfind("[Roztece]\nroztecx=-80\n", 0), 0u) << text;
    EXPECT_NE(text.find("\n[Zobrazeni]\ncbloky=1\nhodnoty=0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n[DOT]\nf1_label=A AND B\n"), std::string::npos) << text;
}

TEST(SettingsFile, WriteAppliesAllEntriesInOrder) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[Funkce]\nf0=1\n");
    SettingsFile file(dir.file("set.ini"));
    file.write(
        {{"Funkce", "f0", "4"}, {"Funkce", "f1", "5"}, {"DOT", "f4_label", "x"}, {"funkce", "F1", "6"}});
    EXPECT_EQ(file.readInt("Funkce", "f0", 0), 4);
    EXPECT_EQ(file.readInt("Funkce", "f1", 0), 6);
    EXPECT_EQ(file.readString("DOT", "f4_label", ""), "x");
    EXPECT_EQ(count(readBytes(file.path()), "f1="), 1u);
}

TEST(SettingsFile, ValuesKeepTheirBytes) {
    TempDir dir;
    SettingsFile file(dir.file("set.ini"));
    file.writeString("DOT", "f1_label", "\xe9\xe8");
    file.writeString("DOT", "f2_label", "\xc4\x8d\xc3\xad");  // UTF-8
    EXPECT_EQ(file.readString("DOT", "f1_label", ""), "\xe9\xe8");
    EXPECT_EQ(file.readString("DOT", "f2_label", ""), "\xc4\x8d\xc3\xad");
    EXPECT_NE(readBytes(file.path()).find("f1_label=\xe9\xe8\n"), std::string::npos);
}

TEST(SettingsFile, ValueWithLineBreakStaysOneLine) {
    TempDir dir;
    SettingsFile file(dir.file("set.ini"));
    file.writeString("A", "x", "1\n[B]\r\ny=2");
    EXPECT_EQ(file.readString("B", "y", "none"), "none");
    EXPECT_EQ(file.readString("A", "x", ""), "1 [B]  y=2");
}

TEST(SettingsFile, CommentsBeforeStrayLinesSurviveAWrite) {
    // Lines that are no entries are dropped by a write; the comments next to them are not.
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "[A]\nx=1\n; first\nno entry\n; second\n=no key\n[B\n; last\njunk\rmore junk\n");
    SettingsFile file(path);
    file.writeInt("A", "y", 2);
    const auto text = readBytes(path);
    for (const char* comment : {"; first\n", "; second\n", "; last\n"}) {
        EXPECT_NE(text.find(comment), std::string::npos) << comment << " in\n" << text;
    }
    EXPECT_EQ(text.find("junk"), std::string::npos) << text;
    EXPECT_EQ(file.readInt("A", "x", 0), 1);
    EXPECT_EQ(file.readInt("A", "y", 0), 2);
}

TEST(SettingsFile, UnfinishedSectionHeaderIsSkippedLikeAnyStrayLine) {
    // The keys after it stay in the section before it, for reads and after a write.
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "[A]\nx=1\n[broken\ny=2\n");
    SettingsFile file(path);
    EXPECT_EQ(file.readInt("A", "y", 0), 2);
    file.writeInt("A", "x", 3);
    EXPECT_EQ(file.readInt("A", "x", 0), 3);
    EXPECT_EQ(file.readInt("A", "y", 0), 2);
    EXPECT_EQ(readBytes(path).find("broken"), std::string::npos);
}

TEST(SettingsFile, CommentsOfRepeatedKeysAndSectionsSurviveAWrite) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "[A]\nx=1\n; old x\nx=2\n[B]\nz=1\n; A again\n[a]\n; y\ny=3\n");
    SettingsFile file(path);
    file.writeInt("B", "z", 5);
    const auto text = readBytes(path);
    for (const char* comment : {"; old x\n", "; A again\n", "; y\n"}) {
        EXPECT_NE(text.find(comment), std::string::npos) << comment << " in\n" << text;
    }
    EXPECT_EQ(file.readInt("A", "x", 0), 2);
    EXPECT_EQ(file.readInt("A", "y", 0), 3);
    EXPECT_EQ(file.readInt("B", "z", 0), 5);
}

TEST(SettingsFile, NulBytesHideNothingAfterThem) {
    // A damaged file: what follows a NUL is still read, and a write after it reads back.
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, std::string("[A]\nx=1\0junk\ny=2\n", 18));
    SettingsFile file(path);
    EXPECT_EQ(file.readInt("A", "y", 0), 2);
    writeBytes(path, std::string("\0\0line\r", 7));
    file.writeInt("Roztece", "roztecx", 80);
    EXPECT_EQ(file.readInt("Roztece", "roztecx", 0), 80);
    EXPECT_EQ(SettingsFile(path).readInt("Roztece", "roztecx", 0), 80);
}

TEST(SettingsFile, ByteOrderMarkIsReadAndKept) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "\xEF\xBB\xBF[A]\nx=1\n");
    SettingsFile file(path);
    EXPECT_EQ(file.readInt("A", "x", 0), 1);
    file.writeInt("A", "y", 2);
    const auto text = readBytes(path);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF[A]\n", 0), 0u) << text;
    EXPECT_EQ(count(text, "\xEF\xBB\xBF"), 1u);
    EXPECT_EQ(file.readInt("A", "x", 0), 1);
    EXPECT_EQ(file.readInt("A", "y", 0), 2);
}

TEST(SettingsFile, KeyBeginningWithTheBytesOfAByteOrderMarkKeepsThem) {
    TempDir dir;
    const auto path = dir.file("set.ini");
    writeBytes(path, "no entry\n\xEF\xBB\xBFkey=5\n");
    SettingsFile file(path);
    file.writeInt("A", "x", 1);
    EXPECT_EQ(file.readInt("", "\xEF\xBB\xBFkey", 0), 5) << readBytes(path);
    EXPECT_EQ(file.readInt("", "key", 0), 0);
}

TEST(SettingsFile, WriteIntoMissingDirectoryThrowsAndCreatesNothing) {
    TempDir dir;
    const auto missing = dir.file("nowhere");
    SettingsFile file(missing + "/set.ini");
    EXPECT_THROW(file.writeInt("A", "x", 1), Error);
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(SettingsFile, MovedFileKeepsReadingTheSamePath) {
    TempDir dir;
    writeBytes(dir.file("set.ini"), "[A]\nx=1\n");
    SettingsFile first(dir.file("set.ini"));
    EXPECT_EQ(first.readInt("A", "x", 0), 1);
    SettingsFile second(std::move(first));
    EXPECT_EQ(second.readInt("A", "x", 0), 1);
    SettingsFile third(dir.file("other.ini"));
    third = std::move(second);
    EXPECT_EQ(third.path(), dir.file("set.ini"));
    EXPECT_EQ(third.readInt("A", "x", 0), 1);
}

}  // namespace
}  // namespace pellisor
