#pragma once
// A port that also tells every byte written to it and read from it, one transfer a line, in hex,
// with the milliseconds since the start and the direction: what a technician sends to support
// when a display misbehaves.

#include <chrono>
#include <functional>
#include <memory>
#include <ostream>

#include "serial/SerialDevice.h"

namespace vemora {

using SinceStart = std::function<std::chrono::milliseconds()>;

std::unique_ptr<SerialDevice> MakeTracingDevice(std::unique_ptr<SerialDevice> port,
                                                std::ostream& trace, SinceStart sinceStart);

}  // namespace vemora
