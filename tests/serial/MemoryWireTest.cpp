#include <gtest/gtest.h>

#include <vector>

#include "serial/MemoryWire.h"
#include "serial/SerialChannel.h"

namespace vemora {
namespace {

using std::chrono::milliseconds;

class MemoryWireTest : public ::testing::Test {
  protected:
    MemoryWireTest() : wire_(clock_), channel_(wire_.MakeDevice()) {}

    void OpenChannel() {
        PortConfig config;
        config.portName = "/dev/wire";
        ASSERT_TRUE(channel_.Configure(config));
        ASSERT_TRUE(channel_.Open());
    }
    // Reads `count` and tells how long the read took on the wire's clock.
    std::pair<std::vector<Byte>, milliseconds> TimedRead(std::uint32_t count) {
        std::vector<Byte> buffer(count);
        const auto start = clock_.Now();
        const std::uint32_t got = channel_.Read(buffer.data(), count);
        buffer.resize(got);
        return {buffer, std::chrono::duration_cast<milliseconds>(clock_.Now() - start)};
    }

    VirtualClock clock_;
    MemoryWire wire_;
    CSerialChannel channel_;
};

TEST_F(MemoryWireTest, SilentReadsEndAtTheTotalTimeout) {
    OpenChannel();
    for (auto [count, ms] : {std::pair{1u, 20}, {3u, 40}, {11u, 120}}) {
        const auto [bytes, took] = TimedRead(count);
        EXPECT_TRUE(bytes.empty());
        EXPECT_EQ(took, milliseconds(ms)) << count;
    }
}

TEST_F(MemoryWireTest, ReadEndsAnIntervalAfterTheLastByte) {
    OpenChannel();
    const Byte two[] = {0x23, 0x1F};
    wire_.SendToPc(two, milliseconds(5));
    const auto [bytes, took] = TimedRead(3);
    EXPECT_EQ(bytes, (std::vector<Byte>{0x23, 0x1F}));
    EXPECT_EQ(took, milliseconds(15));
}

TEST_F(MemoryWireTest, LateBytesWaitForTheNextRead) {
    OpenChannel();
    const Byte late[] = {1, 2, 3};
    wire_.SendToPc(late, milliseconds(50));
    EXPECT_TRUE(TimedRead(3).first.empty());  // ends at 40 ms
    EXPECT_EQ(TimedRead(3).first, (std::vector<Byte>{1, 2, 3}));
}

TEST_F(MemoryWireTest, BytesWaitingBeforeOpenArePurged) {
    const Byte stale[] = {9, 9};
    wire_.SendToPc(stale);
    OpenChannel();
    EXPECT_TRUE(TimedRead(2).first.empty());
}

TEST_F(MemoryWireTest, FullCountEndsTheReadAtOnce) {
    OpenChannel();
    const Byte reply[] = {1, 2, 3, 4};
    wire_.SendToPc(reply, milliseconds(1), milliseconds(1));
    const auto [bytes, took] = TimedRead(3);
    EXPECT_EQ(bytes, (std::vector<Byte>{1, 2, 3}));
    EXPECT_EQ(took, milliseconds(3));
    EXPECT_EQ(TimedRead(1).first, (std::vector<Byte>{4}));
}

TEST_F(MemoryWireTest, OpenNeedsDsr) {
    wire_.SetDsr(false);
    PortConfig config;
    config.portName = "/dev/wire";
    channel_.Configure(config);
    EXPECT_FALSE(channel_.Open());
    EXPECT_EQ(channel_.LastOpenError().failure, OpenFailure::DsrOff);
    EXPECT_FALSE(wire_.IsOpen());
    wire_.SetDsr(true);
    EXPECT_TRUE(channel_.Open());
}

TEST_F(MemoryWireTest, WriteHeldBackByCtsGivesUpAfterItsLimit) {
    OpenChannel();
    wire_.SetCts(false);
    const auto start = clock_.Now();
    const Byte kTwo[] = {0x1B, 0x40};
    EXPECT_EQ(channel_.Write(kTwo, 2), 0u);
    // One second plus two characters of ten bits at 9600 baud.
    EXPECT_EQ(clock_.Now() - start, std::chrono::microseconds(1'000'000 + 2083));
    EXPECT_TRUE(wire_.Written().empty());
}

}  // namespace
}  // namespace vemora
