#pragma once
// Bringing a display to a wanted configuration, writing its memory switches only where they
// differ: every write wears the display's switch memory and costs the setup mode's pauses.

#include <functional>

#include "flows/SwitchExchange.h"

namespace vemora {

// What an apply found and did; a dry run's `after` and `changed` say what a write would do.
struct ApplyResult {
    Outcome outcome = Outcome::NoResponse;  // Unchanged, Changed, NotHeld, WouldChange, or what an
                                            // exchange said
    SwitchImage before;                     // what the display held
    SwitchImage after;                      // what it holds now: read back after a write
    bool changed = false;                   // the switches were written
    bool verified = false;                  // the read-back matched what was sent
};

// The image to bring the display to, made from the one it holds.
using WantedImage = std::function<SwitchImage(const SwitchImage& held)>;

// True when a Set Status of `wanted` would send other digits than a Set Status of `held`, bank by
// bank: a display may answer any non-zero digit for an on switch, and cell 0 and the cells a
// bank's write does not carry never reach it.
bool SwitchWritesDiffer(const SwitchImage& held, const SwitchImage& wanted);

// A dry run reads and compares as a write would, and never writes.
enum class ApplyMode { Write, DryRun };

// Reads the display (Get Status) and, only when the wanted image differs, writes it (Set Status)
// and reads it back to see that the display holds what was sent. Runs on a checked connection.
ApplyResult ApplyConfiguration(CSerialChannel& channel, const Pause& pause, Progress& progress,
                               const WantedImage& wanted, ApplyMode mode = ApplyMode::Write);

}  // namespace vemora
