#include <gtest/gtest.h>

#include "flows/ApplyConfiguration.h"
#include "flows/SwitchExchange.h"
#include "support/DisplayBench.h"
#include "switches/SettingLists.h"

namespace vemora {
namespace {

using std::chrono::milliseconds;
using test::Bytes;
using test::Digits;

class RecordedProgress : public Progress {
  public:
    void SetPosition(int position) override { events.push_back(position); }
    void Step() override { events.push_back(kStep); }
    void ReadingBank(int bank) override { stages += std::to_string(bank); }
    void WritingBanks() override { stages += 'w'; }
    int Steps() const { return static_cast<int>(std::count(events.begin(), events.end(), kStep)); }

    static constexpr int kStep = -1;
    std::vector<int> events;
    std::string stages;  // a bank's number as it is read, w when the banks are written
};

SimOptions DisplayWith(std::initializer_list<const char*> banks) {
    SimOptions options;
    int bank = 1;
    for (const char* digits : banks) {
        options.switches.LoadBankDigits(bank++, Digits(digits));
    }
    return options;
}

class SwitchExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(bench_.Open()); }
    void Use(SimOptions options) { bench_.Attach(std::move(options)); }
    Outcome Get() { return GetStatus(bench_.channel_, bench_.PauseFn(), progress_, image_); }
    Outcome Set() { return SetStatus(bench_.channel_, bench_.PauseFn(), progress_, image_); }

    test::DisplayBench bench_;
    RecordedProgress progress_;
    SwitchImage image_;
};

TEST_F(SwitchExchangeTest, GetStatusReadsTheFiveBanksInOrder) {
    Use(DisplayWith({"00011101", "00001101", "00000001", "00000010", "00110001"}));
    EXPECT_EQ(Get(), Outcome::GotStatus);

    std::vector<std::vector<Byte>> expected{Bytes(CmdSelectDisplay)};
    for (int bank = 1; bank <= 5; ++bank) {
        expected.push_back(Bytes(CmdSwitchQuery(bank)));
    }
    EXPECT_EQ(bench_.Transfers(), expected);
    EXPECT_EQ(bench_.PauseLengths(), std::vector<milliseconds>(6, kReplyPause));
    EXPECT_EQ(progress_.events.front(), 0);
    EXPECT_EQ(progress_.Steps(), 45);

    const SwitchSelections s = SelectionsOf(image_);
    EXPECT_EQ(s, (SwitchSelections{{6, 13, 3, 1, 0}}));  // PC737, Korea, 20%, Customer, displayed
    EXPECT_EQ(image_.FormatBankDigits(5), Digits("00110001"));
}

TEST_F(SwitchExchangeTest, GetStatusTakesOddDigitsAsTheyCame) {
    SimOptions options = DisplayWith({"00000001"});
    options.digitTwoBank = 1;
    options.noise = 4;
    Use(options);
    EXPECT_EQ(Get(), Outcome::GotStatus);
    EXPECT_EQ(image_.Bank(1).cells[1], 2);
    EXPECT_EQ(SelectionsOf(image_)[Setting::CodeTable], 1);
}

TEST_F(SwitchExchangeTest, FailedGetStatusChangesNothing) {
    struct Case {
        const char* name;
        SimOptions display;
        std::size_t queries;
    };
    SimOptions silent{.silent = true};
    SimOptions shortReply = DisplayWith({"11111111", "11111111"});
    shortReply.shortReply = true;
    SimOptions noisy;
    noisy.noise = 10;  // the sync byte would come on the eleventh read
    const Case cases[] = {
        {"silent", silent, 1},
        {"short reply", shortReply, 1},
        {"too much noise", noisy, 1},
    };
    for (const Case& c : cases) {
        Use(c.display);
        bench_.wire_.ClearWritten();
        ApplySetting(image_, Setting::CodeTable, 16);
        image_.Bank(2).cells[0] = 5;
        const SwitchImage before = image_;
        EXPECT_EQ(Get(), Outcome::NoResponse) << c.name;
        EXPECT_EQ(image_, before) << c.name;
        EXPECT_EQ(bench_.Transfers().size(), 1 + c.queries) << c.name;
    }
}

TEST_F(SwitchExchangeTest, GetStatusStopsAtAShortWrite) {
    bench_.wire_.SetCts(false);
    const SwitchImage before = image_;
    EXPECT_EQ(Get(), Outcome::PortError);
    EXPECT_EQ(image_, before);
}

TEST_F(SwitchExchangeTest, SetStatusWritesTheImageInsideSetupMode) {
    image_.LoadBankDigits(1, Digits("00100000"));  // value 32 goes back unchanged
    ApplySetting(image_, Setting::CharacterSet, 15);
    ApplySetting(image_, Setting::Brightness, 3);
    ApplySetting(image_, Setting::PeripheralDevice, 2);
    image_.LoadBankDigits(5, Digits("00110001"));
    const auto start = bench_.clock_.Now();
    EXPECT_EQ(Set(), Outcome::SetStatus);

    std::vector<std::vector<Byte>> expected{Bytes(CmdInitialize), Bytes(CmdSelectDisplay),
                                            Bytes(CmdSetupEnter)};
    for (int bank = 1; bank <= 5; ++bank) {
        expected.push_back(Bytes(CmdSwitchWrite(bank, image_.FormatBankDigits(bank))));
    }
    expected.push_back(Bytes(CmdSetupExit));
    EXPECT_EQ(bench_.Transfers(), expected);
    EXPECT_EQ(bench_.PauseLengths(),
              (std::vector<milliseconds>{kReplyPause, kReplyPause, milliseconds(1000),
                                         milliseconds(1000)}));
    // The two settling pauses come after the setup exit.
    EXPECT_GT(bench_.pauses_[2].at, bench_.wire_.Written().back().at);
    EXPECT_GE(bench_.clock_.Now() - start, milliseconds(2600));
    EXPECT_EQ(progress_.Steps(), 9);

    EXPECT_EQ(bench_.Sim().Bank(1), Digits("00100000"));
    EXPECT_EQ(bench_.Sim().Bank(2), Digits("00001111"));
    EXPECT_EQ(bench_.Sim().Bank(3), Digits("00000001"));
    EXPECT_EQ(bench_.Sim().Bank(4), Digits("00000011"));
    EXPECT_EQ(bench_.Sim().Bank(5), Digits("00110001"));
    EXPECT_EQ(bench_.Sim().State(), SimState::Ready);
}

TEST_F(SwitchExchangeTest, SetStatusWithoutSyncLeavesSetupModeAndWritesNoBank) {
    SimOptions silent{.silent = true};
    Use(silent);
    EXPECT_EQ(Set(), Outcome::NoResponse);
    EXPECT_EQ(bench_.Transfers(),
              (std::vector<std::vector<Byte>>{Bytes(CmdInitialize), Bytes(CmdSelectDisplay),
                                              Bytes(CmdSetupEnter), Bytes(CmdSetupExit)}));
    EXPECT_EQ(progress_.Steps(), 0);
}

TEST_F(SwitchExchangeTest, SetStatusStopsAtAShortWrite) {
    bench_.wire_.SetCts(false);
    EXPECT_EQ(Set(), Outcome::PortError);
    EXPECT_TRUE(bench_.Transfers().empty());
}

// A port that stops taking bytes after two bank writes: the display may hold part of the image.
TEST_F(SwitchExchangeTest, SetStatusCutOffAfterABankWriteSaysSo) {
    class CuttingProgress : public Progress {
      public:
        explicit CuttingProgress(MemoryWire& wire) : wire_(wire) {}
        void SetPosition(int) override {}
        void Step() override {
            if (++steps_ == 3) {  // the setup reply, bank 1 and bank 2 are done
                wire_.SetCts(false);
            }
        }

      private:
        MemoryWire& wire_;
        int steps_ = 0;
    } cutting(bench_.wire_);
    EXPECT_EQ(SetStatus(bench_.channel_, bench_.PauseFn(), cutting, image_), Outcome::PartlySet);
    EXPECT_EQ(bench_.Transfers().size(), 5u);  // initialise, select, setup, banks 1 and 2
}

TEST_F(SwitchExchangeTest, GetThenSetWritesBackWhatWasRead) {
    const SimOptions display =
        DisplayWith({"00001000", "00010000", "00000000", "00000101", "00001110"});
    Use(display);
    ASSERT_EQ(Get(), Outcome::GotStatus);
    bench_.wire_.ClearWritten();
    ASSERT_EQ(Set(), Outcome::SetStatus);
    EXPECT_EQ(bench_.Sim().Bank(1), Digits("00001000"));
    EXPECT_EQ(bench_.Sim().Bank(2), Digits("00010000"));
    EXPECT_EQ(bench_.Sim().Bank(3), Digits("00000000"));
    EXPECT_EQ(bench_.Sim().Bank(4), Digits("00000101"));
    EXPECT_EQ(bench_.Sim().Bank(5), Digits("00000000"));  // cells 2 to 4 are never written
}

TEST_F(SwitchExchangeTest, ApplyWritesOnlyWhereTheDisplayDiffers) {
    const SimOptions held =
        DisplayWith({"00001000", "00010000", "00000000", "00000101", "00110001"});
    SimOptions deaf = held;
    deaf.deafBank = 3;
    // Any non-zero digit is an on switch: a display that answers '2' holds what '1' writes.
    SimOptions twos = held;
    twos.digitTwoBank = 1;
    // Cell 0 and the cells a bank's write does not carry never reach the display.
    const WantedImage unreachable = [](SwitchImage image) {
        image.Bank(1).cells[0] = 7;
        image.Bank(5).cells[2] = 1;
        return image;
    };
    const WantedImage dimmer = [](SwitchImage image) {
        ApplySetting(image, Setting::Brightness, 0);
        return image;
    };
    const struct {
        const char* name;
        SimOptions display;
        WantedImage wanted;
        Outcome outcome;
        bool changed;
        bool verified;
        ApplyMode mode = ApplyMode::Write;
    } cases[] = {
        {"holds it", held, [](const SwitchImage& image) { return image; }, Outcome::Unchanged,
         false, true},
        {"only unsent cells differ", held, unreachable, Outcome::Unchanged, false, true},
        {"one setting differs", held, dimmer, Outcome::Changed, true, true},
        {"a bank keeps its digits", deaf, dimmer, Outcome::NotHeld, true, false},
        {"answers 2 for on", twos, [](const SwitchImage& image) { return image; },
         Outcome::Unchanged, false, true},
        {"answers 2, one setting differs", twos, dimmer, Outcome::Changed, true, true},
        {"dry run, one setting differs", held, dimmer, Outcome::WouldChange, true, false,
         ApplyMode::DryRun},
        {"dry run, answers 2 for on", twos, [](const SwitchImage& image) { return image; },
         Outcome::Unchanged, false, true, ApplyMode::DryRun},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Use(c.display);
        bench_.wire_.ClearWritten();
        progress_ = {};
        const ApplyResult r =
            ApplyConfiguration(bench_.channel_, bench_.PauseFn(), progress_, c.wanted, c.mode);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.changed, c.changed);
        EXPECT_EQ(r.verified, c.verified);
        const bool wrote = c.changed && c.mode == ApplyMode::Write;
        const auto transfers = bench_.Transfers();
        const bool entered =
            std::find(transfers.begin(), transfers.end(), Bytes(CmdSetupEnter)) != transfers.end();
        EXPECT_EQ(entered, wrote);
        EXPECT_EQ(transfers.size(), wrote ? 6u + 9u + 6u : 6u);
        EXPECT_EQ(progress_.stages, wrote ? "12345w12345" : "12345");
        const SwitchImage wanted = c.wanted(r.before);
        for (int bank = 1; bank <= kBankCount; ++bank) {
            SwitchImage held;
            held.LoadBankDigits(bank, bench_.Sim().Bank(bank));
            // A dry run leaves the display as it was; its after is what a write would send.
            const SwitchImage& holds = c.mode == ApplyMode::DryRun ? r.before : r.after;
            EXPECT_EQ(holds.FormatBankDigits(bank), held.FormatBankDigits(bank)) << bank;
            if (c.verified || c.mode == ApplyMode::DryRun) {
                EXPECT_EQ(r.after.FormatBankDigits(bank), wanted.FormatBankDigits(bank)) << bank;
            }
        }
    }
}

}  // namespace
}  // namespace vemora
