#pragma once
// The simulated display on the far end of an in-memory wire: it hears every write and answers on
// the wire after its delay, one byte per character time.

#include "serial/MemoryWire.h"
#include "sim/DisplaySim.h"

namespace vemora {

class WiredDisplay {
  public:
    WiredDisplay(MemoryWire& wire, SimOptions options);
    WiredDisplay(const WiredDisplay&) = delete;
    WiredDisplay& operator=(const WiredDisplay&) = delete;
    ~WiredDisplay();

    DisplaySim& Sim() { return sim_; }

  private:
    MemoryWire& wire_;
    DisplaySim sim_;
};

}  // namespace vemora
