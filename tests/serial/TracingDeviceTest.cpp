#include <gtest/gtest.h>

#include <sstream>

#include "serial/MemoryWire.h"
#include "serial/SerialChannel.h"
#include "serial/TracingDevice.h"

namespace vemora {
namespace {

using std::chrono::milliseconds;

TEST(TracingDevice, TellsEveryTransferWithItsTimeAndDirection) {
    VirtualClock clock;
    MemoryWire wire(clock);
    std::ostringstream trace;
    CSerialChannel channel(MakeTracingDevice(wire.MakeDevice(), trace, [&] {
        return std::chrono::duration_cast<milliseconds>(clock.Now());
    }));
    PortConfig config;
    config.portName = "/dev/wire";
    ASSERT_TRUE(channel.Configure(config));
    ASSERT_TRUE(channel.Open());
    const Byte initialize[] = {0x1B, 0x40};
    EXPECT_EQ(channel.Write(initialize, 2), 2u);
    const Byte reply[] = {0x57, 0x23};
    wire.SendToPc(reply, milliseconds(5));
    Byte buffer[3] = {};
    EXPECT_EQ(channel.Read(buffer, 3), 2u);
    EXPECT_EQ(channel.Read(buffer, 1), 0u);
    channel.Close();
    EXPECT_EQ(trace.str(),
              "       0 ms open /dev/wire\n"
              "       2 ms write 1B 40\n"
              "      17 ms read  57 23 (2 of 3 bytes)\n"
              "      37 ms read  (0 of 1 bytes)\n"
              "      37 ms close\n");
}

}  // namespace
}  // namespace vemora
