#pragma once
// Get Status and Set Status: reading and writing the display's five memory switch banks.

#include "flows/Outcome.h"
#include "protocol/Exchange.h"
#include "switches/SwitchImage.h"

namespace vemora {

// Where an exchange reports how far it got: the dialog's progress bar, a progress line, or nothing.
class Progress {
  public:
    virtual ~Progress() = default;
    virtual void SetPosition(int position) = 0;
    virtual void Step() = 0;  // one step of 4
    // What the exchange turns to, for a progress line that names it; a bar needs only the steps.
    virtual void ReadingBank(int /*bank*/) {}
    virtual void WritingBanks() {}
};

// Reads the five banks. The image is replaced (cells 1 to 8 of every bank) only when all five
// arrived whole: GotStatus. NoResponse when a sync byte never came or a reply came short;
// PortError when a command did not go out whole. 45 progress steps; ReadingBank before each bank.
Outcome GetStatus(CSerialChannel& channel, const Pause& pause, Progress& progress,
                  SwitchImage& image);

// Initialises the display, selects it and enters its setup mode: Done with the setup reply in the
// exchange's buffer. PortError when a command did not go out whole; NoResponse when no sync byte
// came (the display is then told to leave the setup mode).
Outcome EnterSetupMode(DisplayExchange& exchange);

// Writes the five banks from the image inside the display's setup mode: SetStatus. NoResponse
// when the display did not answer the setup command (it is then told to leave the setup mode and
// no bank is written); PortError when a command did not go out whole, PartlySet when that
// happened after a bank write went out. WritingBanks, then 9 progress steps.
Outcome SetStatus(CSerialChannel& channel, const Pause& pause, Progress& progress,
                  const SwitchImage& image);

}  // namespace vemora
