// Status files on Windows's own file calls: the same atomic save and refusals, UTF-8 names.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

#include "support/SwitchImages.h"
#include "support/TempFolder.h"
#include "switches/StatusFile.h"
#include "switches/Utf8Path.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

class Win32StatusFileTest : public ::testing::Test {
  protected:
    const test::TempFolder folder_{"sts"};
    const fs::path& dir_ = folder_.Path();
};

TEST_F(Win32StatusFileTest, SaveReplacesAnExistingFileAndLoadReadsItBack) {
    const fs::path file = dir_ / "shop.sts";
    SwitchImage first = test::ImageShowing({1, 1, 1, 1, 1});
    SwitchImage second = test::ImageShowing({2, 2, 2, 0, 1});
    ASSERT_TRUE(SaveStatusFile(file, first).ok());
    const FileResult replaced = SaveStatusFile(file, second);
    ASSERT_TRUE(replaced.ok()) << replaced.reason;
    SwitchImage loaded;
    ASSERT_TRUE(LoadStatusFile(file, loaded).ok());
    EXPECT_EQ(loaded, second);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(Win32StatusFileTest, NamesAreUtf8OnBothSides) {
    const std::string name = "caf\xc3\xa9 \xe2\x82\xac.sts";  // "café €.sts"
    const fs::path file = dir_ / Utf8Path(name);
    ASSERT_TRUE(SaveStatusFile(file, test::ImageShowing({3, 0, 3, 1, 0})).ok());
    EXPECT_TRUE(fs::exists(dir_ / std::u8string(u8"caf\u00e9 \u20ac.sts")));
    SwitchImage loaded;
    EXPECT_TRUE(LoadStatusFile(file, loaded).ok());
    EXPECT_EQ(Utf8Text(StatusSavePath(dir_ / Utf8Path("caf\xc3\xa9"))),
              Utf8Text(dir_ / Utf8Path("caf\xc3\xa9.sts")));
    EXPECT_EQ(loaded, test::ImageShowing({3, 0, 3, 1, 0}));
}

TEST_F(Win32StatusFileTest, RefusesWhatIsNoFileWithTheReason) {
    const struct Case {
        fs::path path;
        FileOutcome outcome;
    } cases[] = {
        {dir_, FileOutcome::CannotWrite},
        {dir_ / "missing" / "a.sts", FileOutcome::CannotWrite},
    };
    for (const Case& c : cases) {
        const FileResult saved = SaveStatusFile(c.path, test::ImageShowing({1, 1, 1, 1, 1}));
        EXPECT_EQ(saved.outcome, c.outcome) << c.path;
        EXPECT_FALSE(saved.reason.empty());
    }
    const fs::path shortFile = dir_ / "short.sts";
    std::ofstream(shortFile, std::ios::binary) << "abc";
    SwitchImage image = test::ImageShowing({4, 4, 0, 0, 0});
    const FileResult loaded = LoadStatusFile(shortFile, image);
    EXPECT_EQ(loaded.outcome, FileOutcome::WrongFormat);
    EXPECT_EQ(image, test::ImageShowing({4, 4, 0, 0, 0}));
    EXPECT_EQ(LoadStatusFile(dir_ / "none.sts", image).outcome, FileOutcome::CannotRead);
}

}  // namespace
}  // namespace vemora
