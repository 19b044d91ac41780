#include "dialogs/SwitchSettingsState.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "support/DisplayBench.h"
#include "support/SwitchImages.h"
#include "support/TestData.h"
#include "switches/StatusFile.h"
#include "tests/dialogs/RecordingView.h"

namespace vemora {
namespace {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::WriteBytes;

// Cells far from 0 and 1, as a status file may hold them: the cells a switch write carries hold
// the digits 0 to 9 that a display's replies give, the others any number.
std::vector<char> ManyValuedStatus() {
    SwitchImage image;
    for (int bank = 1; bank <= kBankCount; ++bank) {
        for (int cell = 0; cell < 9; ++cell) {
            image.Bank(bank).cells[cell] =
                IsCarriedCell(bank, cell) ? (bank * 9 + cell) % 10 : -1000 * bank - 37 * cell;
        }
    }
    const StatusBytes bytes = EncodeStatus(image);
    return {bytes.begin(), bytes.end()};
}

SwitchImage ImageOf(const std::vector<char>& raw) {
    StatusBytes bytes{};
    std::copy(raw.begin(), raw.end(), bytes.begin());
    return DecodeStatus(bytes);
}

// The state on the simulated display over the in-memory line, on virtual time, with a folder of
// its own for status files.
class SwitchSettingsStateTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bench_.Open()); }

    std::vector<int> Shown() const {
        std::vector<int> shown;
        for (const Setting setting : kAllSettings) {
            shown.push_back(state_.Shown(setting));
        }
        return shown;
    }
    std::vector<int> ShownFor(const SwitchSelections& selections) const {
        std::vector<int> shown;
        for (const Setting setting : kAllSettings) {
            const int index = selections[setting];
            shown.push_back(SettingItem(setting, index) != nullptr ? index : -1);
        }
        return shown;
    }
    void Load(const fs::path& file, const std::vector<char>& bytes) {
        WriteBytes(file, bytes);
        state_.OnLoadStatus(file);
    }

    // What the operator sees while a box is up.
    struct AtMessage {
        Notice notice;
        int progress;
        std::vector<int> lists;
        bool enabled;
        bool operator==(const AtMessage&) const = default;
    };
    std::vector<AtMessage> Press(void (SwitchSettingsState::*button)()) {
        std::vector<AtMessage> seen;
        view_.atShow = [&] {
            seen.push_back(
                {view_.shown.back(), state_.ProgressPosition(), Shown(), state_.SettingsEnabled()});
        };
        (state_.*button)();
        view_.atShow = nullptr;
        return seen;
    }

    test::TempFolder dir_{"state"};
    test::DisplayBench bench_;
    test::RecordingView view_;
    SwitchSettingsState state_{&bench_.channel_, bench_.PauseFn(), view_};
};

TEST_F(SwitchSettingsStateTest, OpensWithNoStatus) {
    EXPECT_FALSE(state_.SettingsEnabled());
    EXPECT_EQ(Shown(), std::vector<int>(kSettingCount, -1));
    EXPECT_EQ(state_.ProgressPosition(), 0);
    EXPECT_EQ(state_.Image(), SwitchImage{});
    // Nothing that needs a status does anything without one.
    state_.OnPick(Setting::Brightness, 0);
    state_.OnSetStatus();
    state_.OnSaveStatus(dir_ / "x.sts");
    EXPECT_EQ(state_.Image(), SwitchImage{});
    EXPECT_TRUE(bench_.Transfers().empty());
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
}

TEST_F(SwitchSettingsStateTest, ProgressStepsByFourAndStartsOverPastTheTop) {
    const struct {
        int steps;
        int position;
    } cases[] = {{1, 4}, {24, 96}, {25, 100}, {26, 4}, {45, 80}};
    for (const auto& c : cases) {
        ProgressBar bar(view_);
        for (int i = 0; i < c.steps; ++i) {
            bar.Step();
        }
        EXPECT_EQ(bar.Position(), c.position) << c.steps << " steps";
    }
}

TEST_F(SwitchSettingsStateTest, GetStatusShowsTheSettingsOnceTheMessageIsClosed) {
    bench_.Attach({.switches = test::ImageShowing({6, 13, 3, 1, 0})});

    const auto seen = Press(&SwitchSettingsState::OnGetStatus);

    EXPECT_EQ(seen, (std::vector<AtMessage>{{NoticeOf(Outcome::GotStatus), 100,
                                             std::vector<int>(kSettingCount, -1), false}}));
    EXPECT_EQ(Shown(), (std::vector<int>{6, 13, 3, 1, 0}));
    EXPECT_TRUE(state_.SettingsEnabled());
    EXPECT_EQ(state_.ProgressPosition(), 0);
    std::vector<std::vector<Byte>> expected{test::Bytes(CmdSelectDisplay)};
    for (int bank = 1; bank <= 5; ++bank) {
        expected.push_back(test::Bytes(CmdSwitchQuery(bank)));
    }
    EXPECT_EQ(bench_.Transfers(), expected);
}

TEST_F(SwitchSettingsStateTest, ProgressPassesTheTopOnceDuringGetStatus) {
    std::vector<int> positions;
    view_.atRefresh = [&] {
        if (positions.empty() || positions.back() != state_.ProgressPosition()) {
            positions.push_back(state_.ProgressPosition());
        }
    };
    Press(&SwitchSettingsState::OnGetStatus);
    int startsOver = 0;
    for (std::size_t i = 1; i < positions.size(); ++i) {
        startsOver += positions[i] < positions[i - 1] && positions[i] != 0;
    }
    EXPECT_EQ(startsOver, 1);
    // 45 steps of 4 from 0 pass 100 once and end at 80, then 100 for the message and 0.
    ASSERT_GE(positions.size(), 3u);
    EXPECT_EQ(std::vector(positions.end() - 3, positions.end()), (std::vector{80, 100, 0}));
}

TEST_F(SwitchSettingsStateTest, FailedExchangesLeaveEverythingAsItWas) {
    bench_.Attach({.silent = true});
    EXPECT_EQ(Press(&SwitchSettingsState::OnGetStatus),
              (std::vector<AtMessage>{
                  {NoticeOf(Outcome::NoResponse), 0, std::vector<int>(kSettingCount, -1), false}}));
    EXPECT_FALSE(state_.SettingsEnabled());
    EXPECT_EQ(state_.Image(), SwitchImage{});

    bench_.Attach({});
    Press(&SwitchSettingsState::OnGetStatus);
    bench_.wire_.SetCts(false);
    const auto seen = Press(&SwitchSettingsState::OnSetStatus);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].notice, NoticeOf(Outcome::PortError));
    EXPECT_EQ(seen[0].progress, 0);
    EXPECT_EQ(state_.ProgressPosition(), 0);
}

TEST_F(SwitchSettingsStateTest, LoadShowsTheFileAndMakesTheSettingsUsable) {
    SwitchImage image = test::ImageShowing({6, 13, 1, 2, 0});
    image.Bank(1).cells[0] = 7;
    ASSERT_TRUE(SaveStatusFile(dir_ / "shop.sts", image).ok());
    state_.OnLoadStatus(dir_ / "shop.sts");
    EXPECT_TRUE(view_.shown.empty());
    EXPECT_EQ(state_.Image(), image);
    EXPECT_EQ(Shown(), ShownFor(SelectionsOf(image)));
    EXPECT_TRUE(state_.SettingsEnabled());
}

TEST_F(SwitchSettingsStateTest, SaveAfterLoadWritesTheSame180Bytes) {
    Load(dir_ / "before.sts", ManyValuedStatus());
    EXPECT_EQ(Shown(), ShownFor(SelectionsOf(ImageOf(ManyValuedStatus()))));
    state_.OnSaveStatus(dir_ / "after");
    EXPECT_TRUE(view_.shown.empty());
    EXPECT_EQ(ReadBytes(dir_ / "after.sts"), ManyValuedStatus());
}

TEST_F(SwitchSettingsStateTest, PickGoesIntoTheImageAtOnce) {
    Load(dir_ / "zeros.sts", std::vector<char>(kStatusFileSize));
    SwitchImage expected;
    for (const Setting setting : kAllSettings) {
        const int last = static_cast<int>(SettingItems(setting).size()) - 1;
        for (const int index : {last, 0}) {
            state_.OnPick(setting, index);
            ApplySetting(expected, setting, index);
            EXPECT_EQ(state_.Image(), expected) << SettingCaption(setting) << " " << index;
            EXPECT_EQ(state_.Shown(setting), index);
        }
        // An index beyond the list is no pick.
        state_.OnPick(setting, last + 1);
        EXPECT_EQ(state_.Image(), expected);
    }
}

// A pick applies even when the list already shows the item: a '2' read from the display becomes
// the item's plain value.
TEST_F(SwitchSettingsStateTest, PickingTheShownItemAppliesIt) {
    bench_.Attach({.switches = test::ImageShowing({0, 0, 3, 0, 0}), .digitTwoBank = 3});
    Press(&SwitchSettingsState::OnGetStatus);
    ASSERT_EQ(state_.Image().Bank(3).cells[1], 2);
    ASSERT_EQ(state_.Shown(Setting::Brightness), 3);
    state_.OnPick(Setting::Brightness, 3);
    EXPECT_EQ(state_.Image().Bank(3).cells[1], 1);
    EXPECT_EQ(Shown(), (std::vector<int>{0, 0, 3, 0, 0}));
}

TEST_F(SwitchSettingsStateTest, SetStatusWritesTheImageAsItStands) {
    SwitchImage loaded;
    loaded.LoadBankDigits(1, {'0', '0', '1', '0', '0', '0', '0', '0'});
    ApplySetting(loaded, Setting::CharacterSet, 15);
    ApplySetting(loaded, Setting::Brightness, 2);
    loaded.LoadBankDigits(5, {'0', '0', '1', '1', '0', '0', '0', '0'});
    ASSERT_TRUE(SaveStatusFile(dir_ / "set.sts", loaded).ok());
    state_.OnLoadStatus(dir_ / "set.sts");

    const auto seen = Press(&SwitchSettingsState::OnSetStatus);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].notice, NoticeOf(Outcome::SetStatus));
    EXPECT_EQ(seen[0].progress, 100);
    EXPECT_EQ(state_.ProgressPosition(), 0);
    for (int bank = 1; bank <= 5; ++bank) {
        EXPECT_EQ(bench_.Sim().Bank(bank), loaded.FormatBankDigits(bank)) << bank;
    }
    const auto transfers = bench_.Transfers();
    ASSERT_EQ(transfers.size(), 9u);
    EXPECT_EQ(transfers.front(), test::Bytes(CmdInitialize));
    EXPECT_EQ(transfers.back(), test::Bytes(CmdSetupExit));

    state_.OnPick(Setting::Brightness, 3);
    Press(&SwitchSettingsState::OnSetStatus);
    EXPECT_EQ(bench_.Sim().Bank(3), (SwitchDigits{'0', '0', '0', '0', '0', '0', '0', '1'}));
}

TEST_F(SwitchSettingsStateTest, SaveAsksBeforeReplacingTheLengthenedName) {
    const std::vector<char> old(kStatusFileSize, 'x');
    const struct {
        const char* chosen;
        const char* written;
        bool exists;
        bool answer;
        bool asked;
        bool replaced;
    } cases[] = {
        {"abc.txt", "abc.txt.sts", true, false, true, false},
        {"abc.txt", "abc.txt.sts", true, true, true, true},
        {"ABC.STS", "ABC.STS.sts", true, false, true, false},
        {"abc", "abc.sts", false, false, false, true},
        // The file dialog itself asked about a name it was given unchanged.
        {"abc.sts", "abc.sts", true, false, false, true},
    };
    Load(dir_ / "zeros.sts", std::vector<char>(kStatusFileSize));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chosen);
        const fs::path folder = dir_ / "save";
        fs::remove_all(folder);
        fs::create_directories(folder);
        if (c.exists) {
            WriteBytes(folder / c.written, old);
        }
        view_.asked.clear();
        view_.answer = c.answer;
        state_.OnSaveStatus(folder / c.chosen);
        ASSERT_EQ(view_.asked.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            EXPECT_EQ(view_.asked[0],
                      std::string(c.written) + " already exists.\nDo you want to replace it?");
        }
        EXPECT_EQ(ReadBytes(folder / c.written),
                  c.replaced ? std::vector<char>(kStatusFileSize) : old);
        EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()),
                  c.exists || c.replaced ? 1 : 0);
    }
    EXPECT_TRUE(view_.shown.empty());
}

TEST_F(SwitchSettingsStateTest, LoadTakesOnlyNamesEndingInSts) {
    // Refused names first: a load that succeeds leaves the settings usable for good.
    const struct {
        const char* name;
        bool loaded;
    } cases[] = {{"ABC.STS", false}, {"abc.txt", false}, {"abcsts", true}, {"abc.sts", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        view_.shown.clear();
        Load(dir_ / c.name, ManyValuedStatus());
        if (c.loaded) {
            EXPECT_TRUE(view_.shown.empty());
            EXPECT_EQ(state_.Image(), ImageOf(ManyValuedStatus()));
        } else {
            ASSERT_EQ(view_.shown.size(), 1u);
            EXPECT_EQ(view_.shown[0].text, NoticeOf(Outcome::WrongFormat).text);
            EXPECT_EQ(view_.shown[0].icon, MessageIcon::Exclamation);
            EXPECT_EQ(state_.Image(), SwitchImage{});
        }
        EXPECT_EQ(state_.SettingsEnabled(), c.loaded);
    }
}

TEST_F(SwitchSettingsStateTest, FileThatCannotBeUsedIsNamedWithTheReason) {
    WriteBytes(dir_ / "short.sts", std::vector<char>(100, 1));
    fs::create_directories(dir_ / "folder.sts");
    const FileResult gone{FileOutcome::CannotRead, dir_ / "gone.sts", "No such file or directory"};
    const FileResult folder{FileOutcome::CannotRead, dir_ / "folder.sts", "Not a regular file"};
    const FileResult noFolder{FileOutcome::CannotWrite, dir_ / "no-folder" / "x.sts",
                              "No such file or directory"};
    const auto failure = [](const FileResult& r, bool saving) {
        return Notice{DescribeFileFailure(r, saving), MessageIcon::Exclamation, ""};
    };
    const struct {
        bool save;
        fs::path path;
        Notice notice;
    } cases[] = {
        {false, gone.path, failure(gone, false)},
        {false, dir_ / "short.sts",
         NoticeOf(Outcome::WrongFormat, "The file holds 100 bytes, not 180")},
        {false, folder.path, failure(folder, false)},
        {true, noFolder.path, failure(noFolder, true)},
    };
    Load(dir_ / "shop.sts", ManyValuedStatus());
    const SwitchImage held = state_.Image();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        view_.shown.clear();
        c.save ? state_.OnSaveStatus(c.path) : state_.OnLoadStatus(c.path);
        EXPECT_EQ(view_.shown, std::vector{c.notice});
        EXPECT_EQ(state_.Image(), held);
    }
    EXPECT_FALSE(fs::exists(dir_ / "no-folder"));
}

TEST_F(SwitchSettingsStateTest, CancelledFileDialogChangesNothing) {
    state_.OnLoadStatus({});
    EXPECT_FALSE(state_.SettingsEnabled());
    Load(dir_ / "shop.sts", ManyValuedStatus());
    state_.OnSaveStatus({});
    EXPECT_TRUE(view_.shown.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace vemora
