#pragma once
// The local print spooler on Windows, through the spooler calls of winspool.
//
// A printer's port string is its pPortName: one port such as "COM3:" or a pool, "LPT1:,COM3:".
// Parking points it at "FILE:" and pauses the queue where the spooler allows (so that jobs wait
// instead of asking for a file name); the mark is printer data of its own (SetPrinterDataA), which
// outlives the run and the spooler's restarts. Giving the port back restores pPortName, resumes a
// queue that ran before, and clears the mark. A value is cleared by writing it empty, since some
// spoolers cannot delete printer data.

#include <memory>

#include "printers/Spooler.h"

namespace vemora {

std::unique_ptr<Spooler> MakeWinSpooler();

}  // namespace vemora
