#pragma once
// The lists of the connection dialog: their items, first the default, each with the value it
// stands for.

#include <array>
#include <cstdint>

#include "flows/ConnectionCheck.h"

namespace vemora {

template <typename Value>
struct ListItem {
    const char* text;
    Value value;
};

inline constexpr std::array<ListItem<std::uint32_t>, 5> kBaudRateItems{
    {{"9600", 9600}, {"19200", 19200}, {"38400", 38400}, {"57600", 57600}, {"115200", 115200}}};
inline constexpr std::array<ListItem<std::int32_t>, 2> kDataBitsItems{{{"8", 8}, {"7", 7}}};
inline constexpr std::array<ListItem<std::int32_t>, 3> kParityItems{
    {{"None", 0}, {"Odd", 1}, {"Even", 2}}};
inline constexpr std::array<ListItem<std::int32_t>, 3> kStopBitsItems{
    {{"1", 0}, {"1.5", 1}, {"2", 2}}};
// Never read: the check always asks for the CTS and DSR handshake.
inline constexpr std::array<const char*, 2> kFlowControlItems{"Hardware", "Xon/Xoff"};
inline constexpr std::array<ListItem<EmulationMode>, 3> kEmulationModeItems{
    {{"ESC/POS", EmulationMode::EscPos},
     {"KORVANT", EmulationMode::Korvant},
     {"Others", EmulationMode::Others}}};

}  // namespace vemora
