#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "support/SwitchImages.h"
#include "support/TestData.h"
#include "switches/SettingLists.h"
#include "switches/StatusFile.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::WriteBytes;

class StatusFileTest : public ::testing::Test {
  protected:
    test::TempFolder dir_{"sts"};
};

TEST_F(StatusFileTest, DisplaySettingsLandAtTheirOffsets) {
    // PC437, U.S.A., 100%, Customer Display, Cursor is displayed; every other bit off.
    const SwitchImage image = test::ImageShowing({0, 0, 0, 1, 0});
    const fs::path file = dir_ / "display.sts";
    ASSERT_TRUE(SaveStatusFile(file, image).ok());

    const std::vector<char> bytes = ReadBytes(file);
    ASSERT_EQ(bytes.size(), kStatusFileSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool one = i == 84 || i == 116 || i == 148;
        EXPECT_EQ(bytes[i], one ? 1 : 0) << "offset " << i;
    }
}

TEST_F(StatusFileTest, EveryCellAtThirtySixPerBankPlusFourPerCellLittleEndian) {
    SwitchImage image;
    for (int b = 1; b <= kBankCount; ++b) {
        for (int c = 0; c < 9; ++c) {
            image.Bank(b).cells[c] = (b * 100 + c) * (c % 2 ? -1 : 1) - 48 * (c == 8);
        }
    }
    const StatusBytes bytes = EncodeStatus(image);
    for (int b = 1; b <= kBankCount; ++b) {
        for (int c = 0; c < 9; ++c) {
            const std::size_t at = 36 * (b - 1) + 4 * c;
            const auto u = static_cast<std::uint32_t>(image.Bank(b).cells[c]);
            EXPECT_EQ(bytes[at], u & 0xFF);
            EXPECT_EQ(bytes[at + 3], u >> 24);
        }
    }
    EXPECT_EQ(DecodeStatus(bytes), image);
}

TEST_F(StatusFileTest, SaveAndLoadGiveBackTheSameBytesAndImage) {
    SwitchImage image;
    image.LoadBankDigits(1, {'0', '0', '1', '0', '0', '0', '0', '0'});
    image.LoadBankDigits(5, {'0', '0', '1', '1', '0', '0', '0', '2'});
    image.Bank(2).cells[0] = -48;
    const fs::path file = dir_ / "a.sts";
    ASSERT_TRUE(SaveStatusFile(file, image).ok());
    const std::vector<char> first = ReadBytes(file);

    SwitchImage loaded;
    ASSERT_TRUE(LoadStatusFile(file, loaded).ok());
    EXPECT_EQ(loaded, image);
    EXPECT_EQ(SelectionsOf(loaded), SelectionsOf(image));
    ASSERT_TRUE(SaveStatusFile(file, loaded).ok());
    EXPECT_EQ(ReadBytes(file), first);
}

TEST_F(StatusFileTest, LoadRefusesAnyOtherSizeAndKeepsTheImage) {
    SwitchImage image;
    ApplySetting(image, Setting::CodeTable, 6);
    const SwitchImage before = image;
    for (std::size_t size : {0, 100, 179, 181, 360}) {
        const fs::path file = dir_ / ("s" + std::to_string(size) + ".sts");
        WriteBytes(file, std::vector<char>(size, 1));
        const FileResult r = LoadStatusFile(file, image);
        EXPECT_EQ(r.outcome, FileOutcome::WrongFormat) << size;
        EXPECT_EQ(r.path, file);
        EXPECT_EQ(image, before) << size;
    }
}

TEST_F(StatusFileTest, UnreadableFileIsAFailureWithItsReason) {
    SwitchImage image;
    ApplySetting(image, Setting::Brightness, 2);
    const SwitchImage before = image;
    FileResult r = LoadStatusFile(dir_ / "missing.sts", image);
    EXPECT_EQ(r.outcome, FileOutcome::CannotRead);
    EXPECT_EQ(r.reason, "No such file or directory");
    r = LoadStatusFile(dir_.Path(), image);  // a folder
    EXPECT_EQ(r.outcome, FileOutcome::CannotRead);
    EXPECT_EQ(image, before);
}

// Files that are no status file: refused at once with the reason, the image kept.
TEST_F(StatusFileTest, BadFilesAreRefusedWithTheReason) {
    const auto cellsOf = [](int bank, int cell, std::int32_t value) {
        SwitchImage image;
        image.Bank(bank).cells[cell] = value;
        const StatusBytes bytes = EncodeStatus(image);
        return std::vector<char>(bytes.begin(), bytes.end());
    };
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        FileOutcome outcome;
        const char* says;
    } cases[] = {
        {"fifo.sts", [](const fs::path& p) { ::mkfifo(p.c_str(), 0600); }, FileOutcome::CannotRead,
         "Not a regular file"},
        {"ff.sts", [](const fs::path& p) { WriteBytes(p, std::vector<char>(180, '\xFF')); },
         FileOutcome::WrongFormat, "Bank 1 cell 1 holds -1"},
        {"ten.sts", [&](const fs::path& p) { WriteBytes(p, cellsOf(5, 6, 10)); },
         FileOutcome::WrongFormat, "Bank 5 cell 6 holds 10"},
        {"minus.sts", [&](const fs::path& p) { WriteBytes(p, cellsOf(3, 3, -3)); },
         FileOutcome::WrongFormat, "Bank 3 cell 3 holds -3"},
        {"notsts.bin", [](const fs::path& p) { WriteBytes(p, std::vector<char>(180, 0)); },
         FileOutcome::WrongFormat, "does not end in \"sts\""},
    };
    for (const Case& c : cases) {
        SwitchImage image;
        ApplySetting(image, Setting::CodeTable, 3);
        const SwitchImage before = image;
        const fs::path file = dir_ / c.name;
        c.make(file);
        FileResult r = CheckStatusLoadName(file);
        if (r.ok()) {
            r = LoadStatusFile(file, image);
        }
        EXPECT_EQ(r.outcome, c.outcome) << c.name;
        EXPECT_NE(r.reason.find(c.says), std::string::npos) << c.name << ": " << r.reason;
        EXPECT_EQ(r.path, file);
        EXPECT_EQ(image, before) << c.name;
    }
    // A cell that no switch write carries may hold anything; a display's '9' loads.
    SwitchImage odd;
    odd.Bank(1).cells[7] = -5000;
    odd.Bank(2).cells[1] = 9;
    SwitchImage image;
    EXPECT_TRUE(DecodeStatusFile(EncodeStatus(odd), image).ok());
    EXPECT_EQ(image, odd);
}

// The target of a save is checked before anything is read from the display.
TEST_F(StatusFileTest, SaveTargetsThatCannotBeWrittenAreRefusedFirst) {
    fs::create_directories(dir_ / "folder");
    WriteBytes(dir_ / "plain", {});
    ::mkfifo((dir_ / "fifo.sts").c_str(), 0600);
    struct Case {
        fs::path name;
        const char* says;
    } cases[] = {
        {dir_ / "folder/", "folder"},
        {dir_ / "folder", "folder"},
        {dir_ / "missing" / "x", "No such file or directory"},
        {dir_ / "plain" / "x", "Not a directory"},
        {dir_ / "fifo", "Not a regular file"},
        {dir_ / std::string(252, 'n'), "File name too long"},
        {"gone", "The folder has been deleted"},  // the working folder, deleted meanwhile
    };
    const fs::path was = fs::current_path();
    fs::create_directories(dir_ / "gone");
    fs::current_path(dir_ / "gone");
    fs::remove(dir_ / "gone");
    for (const Case& c : cases) {
        const FileResult r = StatusSaveTarget(c.name);
        EXPECT_EQ(r.outcome, FileOutcome::CannotWrite) << c.name;
        EXPECT_NE(r.reason.find(c.says), std::string::npos) << c.name << ": " << r.reason;
    }
    fs::current_path(was);
    EXPECT_EQ(StatusSaveTarget(dir_ / "good").path, dir_ / "good.sts");
    EXPECT_TRUE(StatusSaveTarget(dir_ / "good").ok());
    // The longest name a folder takes saves: the temporary name is short.
    EXPECT_TRUE(SaveStatusFile(dir_ / (std::string(251, 'n') + ".sts"), SwitchImage{}).ok());
}

// In a sticky folder that every user may write, a save follows a link only where the kernel's
// protected_symlinks would: the caller's own, or the folder owner's. Elsewhere links lead on.
TEST_F(StatusFileTest, ALinkOfAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "Needs root, to give a link to another user (nobody).";
    }
    const struct {
        mode_t folderMode;
        uid_t linkOwner;
        bool followed;
    } cases[] = {
        {01777, 65534, false},
        {01777, 0, true},      // the caller's, and the folder owner's
        {00777, 65534, true},  // not sticky
        {01775, 65534, true},  // not writable by every user
    };
    const fs::path target = dir_ / "root-only.sts";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folderMode);
        const fs::path folder = dir_ / "shared";
        fs::create_directories(folder);
        ::chmod(folder.c_str(), c.folderMode);
        WriteBytes(target, {'k', 'e', 'p', 't'});
        fs::create_symlink(target, folder / "shop.sts");
        ASSERT_EQ(::lchown((folder / "shop.sts").c_str(), c.linkOwner, c.linkOwner), 0);

        const FileResult r = SaveStatusFile(folder / "shop.sts", SwitchImage{});

        EXPECT_EQ(r.ok(), c.followed) << r.reason;
        EXPECT_EQ(ReadBytes(target).size(), c.followed ? kStatusFileSize : 4u);
        if (!c.followed) {
            EXPECT_EQ(r.reason,
                      "It is a symbolic link of user nobody in a folder that every user may "
                      "write; such a link is not followed");
        }
        fs::remove_all(folder);
    }
}

TEST_F(StatusFileTest, SaveWritesThroughASymbolicLink) {
    fs::create_directories(dir_ / "kept");
    fs::create_symlink("kept/real.sts", dir_ / "link.sts");
    SwitchImage image;
    ApplySetting(image, Setting::CharacterSet, 5);
    ASSERT_TRUE(SaveStatusFile(dir_ / "link.sts", image).ok());
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.sts"));
    SwitchImage loaded;
    ASSERT_TRUE(LoadStatusFile(dir_ / "kept/real.sts", loaded).ok());
    EXPECT_EQ(loaded, image);
}

TEST_F(StatusFileTest, SaveIntoAMissingFolderFails) {
    const FileResult r = SaveStatusFile(dir_ / "no" / "x.sts", SwitchImage{});
    EXPECT_EQ(r.outcome, FileOutcome::CannotWrite);
    EXPECT_EQ(r.reason, "No such file or directory");
}

// A save that fails half-way (the file size limit stops the write) must leave the file it would
// have replaced as it was, and no temporary file behind.
TEST_F(StatusFileTest, FailedSaveLeavesTheExistingFileIntact) {
    const fs::path file = dir_ / "keep.sts";
    SwitchImage old;
    ApplySetting(old, Setting::CodeTable, 16);
    ASSERT_TRUE(SaveStatusFile(file, old).ok());
    const std::vector<char> before = ReadBytes(file);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        SwitchImage image;
        ApplySetting(image, Setting::CharacterSet, 15);
        const FileResult r = SaveStatusFile(file, image);
        ::_exit(r.outcome == FileOutcome::CannotWrite && r.path == file &&
                        r.reason == "File too large"
                    ? 0
                    : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator{}), 1);
}

TEST_F(StatusFileTest, SaveKeepsTheModeOfTheFileItReplaces) {
    const fs::path file = dir_ / "mode.sts";
    ASSERT_TRUE(SaveStatusFile(file, SwitchImage{}).ok());
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(SaveStatusFile(file, SwitchImage{}).ok());
    EXPECT_EQ(fs::status(file).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(StatusFileNames, SaveAppendsTheExtensionUnlessExactlyThere) {
    struct Case {
        const char* given;
        const char* saved;
    } cases[] = {
        {"abc", "abc.sts"},         {"abc.sts", "abc.sts"}, {"abc.txt", "abc.txt.sts"},
        {"ABC.STS", "ABC.STS.sts"}, {"sts", "sts.sts"},     {".sts", ".sts"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatusSaveName(c.given), c.saved) << c.given;
    }
    EXPECT_EQ(StatusSavePath("/tmp/dir.sts/abc"), fs::path("/tmp/dir.sts/abc.sts"));
}

TEST(StatusFileNames, LoadTakesOnlyNamesEndingInSts) {
    struct Case {
        const char* name;
        bool accepted;
    } cases[] = {
        {"abc.sts", true}, {"abcsts", true}, {"sts", true},      {"ABC.STS", false},
        {"abc.st", false}, {"st", false},    {"abc.stS", false}, {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsStatusLoadName(c.name), c.accepted) << c.name;
    }
}

}  // namespace
}  // namespace vemora
