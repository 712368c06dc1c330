// The Linux edition's text files: the charset rule and the all-or-nothing replacement of files,
// against the real C library and file system.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/FileServices.h"
#include "platform/qt/FileCharset.h"
#include "platform/qt/PosixFiles.h"

namespace talvoro::qt {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

TEST(FileCharset, AUtf8LocaleReadsUtf8AndTakesOtherFilesAsGb18030) {
    const FileCharset utf8("UTF-8");
    EXPECT_EQ(utf8.decode("中文 text\r\n"), "中文 text\r\n");
    EXPECT_EQ(utf8.decode("\xD6\xD0\xCE\xC4"), "中文");  // GB2312
    // 模 is C4 A3 in GB2312, which is also well-formed UTF-8 (ģ): the file is read whole in one
    // encoding, so it stays 模.
    EXPECT_EQ(utf8.decode("\xC4\xA3\xD6\xD0"), "模中");
    // A byte that is not GB18030 either shows as U+FFFD; the rest is read.
    EXPECT_EQ(utf8.decode("\xD6\xD0\x80\xCE\xC4"), "中\xEF\xBF\xBD文");
    EXPECT_EQ(utf8.decode("\xD6\xD0\xCE"), "中\xEF\xBF\xBD");  // cut short
    EXPECT_EQ(utf8.decode("a\0b"s), "a\0b"s);
    EXPECT_EQ(utf8.decode(""), "");

    EXPECT_EQ(utf8.encode("中文\r\n"), "中文\r\n");
    // The C locale's ASCII is read and written as the UTF-8 it is part of.
    const FileCharset ascii("ANSI_X3.4-1968");
    EXPECT_EQ(ascii.decode("中文"), "中文");
    EXPECT_EQ(ascii.decode("\xD6\xD0"), "中");
    EXPECT_EQ(ascii.encode("中文"), "中文");
}

TEST(FileCharset, OtherLocaleCharsetsConvertBothWays) {
    const FileCharset gb("GB18030");
    EXPECT_EQ(gb.decode("\xD6\xD0\xCE\xC4\r\n"), "中文\r\n");
    EXPECT_EQ(gb.encode("中文 \xF0\x9F\x98\x80"), "\xD6\xD0\xCE\xC4 \x94\x39\xFC\x36");
    const FileCharset latin("ISO-8859-1");
    EXPECT_EQ(latin.decode("caf\xE9"), "café");
    EXPECT_EQ(latin.encode("café"), "caf\xE9");
    EXPECT_EQ(latin.encode("café 中文"), std::nullopt);  // saved as marked UTF-8 instead
}

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/talvoro-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string contents(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void put(const std::string& p, const std::string& bytes) {
        std::ofstream(p, std::ios::binary) << bytes;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename());
        std::sort(out.begin(), out.end());
        return out;
    }
    static long errorOf(const std::function<void()>& body) {
        try {
            body();
        } catch (const AppError& e) {
            return e.number();
        }
        return 0;
    }

    fs::path dir;
};

using PosixFilesTest = ScratchFolder;

TEST_F(PosixFilesTest, ReadsEveryByteOfFilesOfAnySize) {
    std::string big(3 * 1024 * 1024 + 7, 'x');
    big[0] = '\0';
    big.back() = '\xFF';
    put(path("big"), big);
    EXPECT_EQ(readWholeFile(path("big")), big);
    put(path("empty"), "");
    EXPECT_EQ(readWholeFile(path("empty")), "");
    // Files that give their size as 0 and still hold text.
    EXPECT_NE(readWholeFile("/proc/self/status").find("Name:"), std::string::npos);

    EXPECT_EQ(errorOf([&] { readWholeFile(path("missing")); }), kErrFileNotFound);
    EXPECT_EQ(errorOf([&] { readWholeFile(dir.string()); }), kErrPathFileAccess);
    EXPECT_EQ(errorOf([&] { readWholeFile(path("big/x")); }), kErrPathNotFound);
}

// A name can stand for something that is not a file at all: a device that never ends, a pipe
// that blocks its opening until a writer comes. Each is refused at once, as a folder is.
TEST_F(PosixFilesTest, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    fs::create_symlink("/dev/zero", path("story.txt"));
    EXPECT_EQ(errorOf([&] { readWholeFile(path("story.txt")); }), kErrPathFileAccess);
    ASSERT_EQ(mkfifo(path("pipe.txt").c_str(), 0600), 0);
    // With no writer, an opening that waits would never come back: the alarm ends the test.
    alarm(20);
    EXPECT_EQ(errorOf([&] { readWholeFile(path("pipe.txt")); }), kErrPathFileAccess);
    fs::create_symlink("pipe.txt", path("to-pipe.txt"));
    EXPECT_EQ(errorOf([&] { readWholeFile(path("to-pipe.txt")); }), kErrPathFileAccess);
    alarm(0);
    // A link to a regular file is still read.
    put(path("real.txt"), "text");
    fs::create_symlink("real.txt", path("to-real.txt"));
    EXPECT_EQ(readWholeFile(path("to-real.txt")), "text");
}

TEST_F(PosixFilesTest, ReplacingCreatesOrReplacesAndLeavesNothingBeside) {
    replaceFile(path("new.txt"), "first\r\n");
    EXPECT_EQ(contents(path("new.txt")), "first\r\n");
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(fs::status(path("new.txt")).permissions(), static_cast<fs::perms>(0666 & ~mask));

    chmod(path("new.txt").c_str(), 0640);
    replaceFile(path("new.txt"), "second");
    EXPECT_EQ(contents(path("new.txt")), "second");
    EXPECT_EQ(fs::status(path("new.txt")).permissions(), static_cast<fs::perms>(0640));
    EXPECT_EQ(names(), std::vector<std::string>{"new.txt"});
}

TEST_F(PosixFilesTest, ALinkIsFollowedAndStaysALink) {
    put(path("real.txt"), "old");
    fs::create_symlink("real.txt", path("link.txt"));
    replaceFile(path("link.txt"), "new");
    EXPECT_TRUE(fs::is_symlink(path("link.txt")));
    EXPECT_EQ(contents(path("real.txt")), "new");

    // A link to a file not made yet, through another link and a linked folder: the file is
    // made where the last link points, and the links stay.
    fs::create_directory(path("drafts"));
    fs::create_directory_symlink("drafts", path("folder"));
    fs::create_symlink("folder/story.txt", path("next.txt"));
    fs::create_symlink(path("next.txt"), path("story.txt"));
    replaceFile(path("story.txt"), "a new story");
    EXPECT_TRUE(fs::is_symlink(path("story.txt")));
    EXPECT_TRUE(fs::is_symlink(path("next.txt")));
    EXPECT_EQ(contents(path("drafts/story.txt")), "a new story");
    EXPECT_EQ(fs::status(path("drafts/story.txt")).type(), fs::file_type::regular);

    // A link into a folder that does not exist, and links that point at each other: refused,
    // the links as they were.
    fs::create_symlink("nowhere/x.txt", path("lost.txt"));
    EXPECT_EQ(errorOf([&] { replaceFile(path("lost.txt"), "x"); }), kErrPathNotFound);
    fs::create_symlink("loop-b", path("loop-a"));
    fs::create_symlink("loop-a", path("loop-b"));
    EXPECT_NE(errorOf([&] { replaceFile(path("loop-a"), "x"); }), 0);
    EXPECT_TRUE(fs::is_symlink(path("lost.txt")) && fs::is_symlink(path("loop-a")));
    EXPECT_EQ(names(), (std::vector<std::string>{"drafts", "folder", "link.txt", "loop-a", "loop-b",
                                                 "lost.txt", "next.txt", "real.txt", "story.txt"}));
}

// Several names of one file stay one file: each of them shows the saved text, longer or
// shorter than before, and nothing is left beside them.
TEST_F(PosixFilesTest, AFileWithSeveralNamesKeepsThemAll) {
    put(path("a.txt"), "the old text");
    fs::create_hard_link(path("a.txt"), path("b.txt"));
    chmod(path("a.txt").c_str(), 0604);
    replaceFile(path("a.txt"), "a new text, longer than the old one");
    EXPECT_EQ(contents(path("b.txt")), "a new text, longer than the old one");
    replaceFile(path("b.txt"), "short");
    EXPECT_EQ(contents(path("a.txt")), "short");
    EXPECT_EQ(fs::hard_link_count(path("a.txt")), 2u);
    EXPECT_TRUE(fs::equivalent(path("a.txt"), path("b.txt")));
    EXPECT_EQ(fs::status(path("b.txt")).permissions(), static_cast<fs::perms>(0604));
    EXPECT_EQ(names(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

// Saving onto a named pipe would block, and replacing it (or a device) by a file would destroy
// what it is: refused, as opening is.
TEST_F(PosixFilesTest, SavingOntoANamedPipeIsRefused) {
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    fs::create_symlink("pipe", path("to-pipe.txt"));
    alarm(20);
    EXPECT_EQ(errorOf([&] { replaceFile(path("pipe"), "x"); }), kErrPathFileAccess);
    EXPECT_EQ(errorOf([&] { replaceFile(path("to-pipe.txt"), "x"); }), kErrPathFileAccess);
    alarm(0);
    EXPECT_EQ(fs::status(path("pipe")).type(), fs::file_type::fifo);
    EXPECT_EQ(names(), (std::vector<std::string>{"pipe", "to-pipe.txt"}));
}

TEST_F(PosixFilesTest, ReadOnlyFilesFoldersAndMissingFoldersAreRefused) {
    put(path("ro.txt"), "kept");
    chmod(path("ro.txt").c_str(), 0444);
    EXPECT_TRUE(isReadOnlyFile(path("ro.txt")));
    // Refused even for root, whom the permission would not stop: a rename goes round it.
    EXPECT_EQ(errorOf([&] { replaceFile(path("ro.txt"), "lost"); }), kErrPermissionDenied);
    EXPECT_EQ(contents(path("ro.txt")), "kept");

    put(path("rw.txt"), "x");
    EXPECT_FALSE(isReadOnlyFile(path("rw.txt")));
    EXPECT_FALSE(isReadOnlyFile(path("missing.txt")));
    EXPECT_EQ(errorOf([&] { replaceFile(path("missing/x.txt"), "x"); }), kErrPathNotFound);
    EXPECT_EQ(errorOf([&] { replaceFile(dir.string(), "x"); }), kErrPathFileAccess);
    if (geteuid() != 0) {
        chmod(dir.c_str(), 0555);
        EXPECT_EQ(errorOf([&] { replaceFile(path("rw.txt"), "y"); }), kErrPermissionDenied);
        EXPECT_EQ(contents(path("rw.txt")), "x");
    }
}

TEST_F(PosixFilesTest, AWriteThatFailsPartWayLeavesTheOldFileWhole) {
    put(path("old.txt"), "the old text");
    put(path("shared.txt"), "the shared old text");
    fs::create_hard_link(path("shared.txt"), path("other-name.txt"));
    // A file size limit stops the write after 4 KiB, as a full disk would.
    struct rlimit before;
    getrlimit(RLIMIT_FSIZE, &before);
    struct rlimit small = before;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const long error = errorOf([&] { replaceFile(path("old.txt"), std::string(100000, 'n')); });
    const long sharedError =
        errorOf([&] { replaceFile(path("shared.txt"), std::string(100000, 'n')); });
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);

    EXPECT_NE(error, 0);
    EXPECT_NE(sharedError, 0);
    EXPECT_EQ(contents(path("old.txt")), "the old text");
    EXPECT_EQ(contents(path("other-name.txt")), "the shared old text");
    // The partial copies are gone.
    EXPECT_EQ(names(), (std::vector<std::string>{"old.txt", "other-name.txt", "shared.txt"}));
}

}  // namespace
}  // namespace talvoro::qt
