#include <gtest/gtest.h>

#include <vector>

#include "serial/SerialChannel.h"

namespace vemora {
namespace {

// Notes every call the channel makes of its device.
struct DeviceCalls {
    std::vector<PortConfig> opens;
    int writes = 0;
    int reads = 0;
    int closes = 0;
};

class RecordingDevice final : public SerialDevice {
  public:
    explicit RecordingDevice(DeviceCalls& calls) : calls_(calls) {}
    OpenError Open(const PortConfig& config) override {
        calls_.opens.push_back(config);
        return {};
    }
    std::uint32_t Write(const Byte*, std::uint32_t count) override {
        ++calls_.writes;
        return count;
    }
    std::uint32_t Read(Byte*, std::uint32_t count) override {
        ++calls_.reads;
        return count;
    }
    void PurgeInput() override {}
    void Close() override { ++calls_.closes; }

  private:
    DeviceCalls& calls_;
};

PortConfig Settings(const char* portName, std::uint32_t baudRate) {
    PortConfig config;
    config.portName = portName;
    config.baudRate = baudRate;
    return config;
}

TEST(SerialChannel, TransfersNothingWhenClosedOrGivenNothing) {
    DeviceCalls calls;
    CSerialChannel channel(std::make_unique<RecordingDevice>(calls));
    Byte buffer[4] = {};
    EXPECT_EQ(channel.Write(buffer, 4), 0u);
    EXPECT_EQ(channel.Read(buffer, 4), 0u);

    channel.Configure(Settings("COM1", 9600));
    ASSERT_TRUE(channel.Open());
    EXPECT_EQ(channel.Write(nullptr, 4), 0u);
    EXPECT_EQ(channel.Write(buffer, 0), 0u);
    EXPECT_EQ(channel.Read(nullptr, 4), 0u);
    EXPECT_EQ(channel.Read(buffer, 0), 0u);

    channel.Close();
    EXPECT_EQ(channel.Write(buffer, 4), 0u);
    EXPECT_EQ(channel.Read(buffer, 4), 0u);
    EXPECT_EQ(calls.writes, 0);
    EXPECT_EQ(calls.reads, 0);
    EXPECT_EQ(calls.closes, 1);

    channel.Close();
    EXPECT_EQ(calls.closes, 1);
}

TEST(SerialChannel, SecondOpenWithoutCloseAppliesNothing) {
    DeviceCalls calls;
    CSerialChannel channel(std::make_unique<RecordingDevice>(calls));
    channel.Configure(Settings("COM1", 9600));
    ASSERT_TRUE(channel.Open());
    channel.Configure(Settings("COM2", 19200));
    EXPECT_TRUE(channel.Open());
    ASSERT_EQ(calls.opens.size(), 1u);
    EXPECT_EQ(calls.opens[0], Settings("COM1", 9600));

    // Taken at the next Open after a Close.
    channel.Close();
    ASSERT_TRUE(channel.Open());
    ASSERT_EQ(calls.opens.size(), 2u);
    EXPECT_EQ(calls.opens[1], Settings("COM2", 19200));
}

TEST(SerialChannel, EmptyPortNameKeepsTheLastAcceptedOne) {
    DeviceCalls calls;
    CSerialChannel channel(std::make_unique<RecordingDevice>(calls));
    EXPECT_FALSE(channel.Configure(Settings("", 9600)));
    EXPECT_FALSE(channel.Open());
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_NE(channel.LastOpenError().failure, OpenFailure::None);
    EXPECT_TRUE(calls.opens.empty());

    EXPECT_TRUE(channel.Configure(Settings("COM3", 9600)));
    EXPECT_FALSE(channel.Configure(Settings("", 38400)));
    ASSERT_TRUE(channel.Open());
    ASSERT_EQ(calls.opens.size(), 1u);
    EXPECT_EQ(calls.opens[0], Settings("COM3", 38400));
}

}  // namespace
}  // namespace vemora
