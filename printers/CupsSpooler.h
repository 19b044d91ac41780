#pragma once
// The local print spooler on Linux: the CUPS scheduler, reached over IPP through libcups.
//
// A printer is a local queue (neither remote nor a class) and its port string is its device URI.
// Parking points the queue at file:/dev/null (read back as "FILE:") and stops it in the same
// request, so that jobs wait in the queue instead of being discarded; the same request leaves the
// mark as queue options (vemora-parked-uri, -started, -message, -holders) and a state message
// that names this program and the former device URI for anyone looking with `lpstat -l -p`.
// Giving the port back restores the device URI and the queue's former state and removes the
// mark. A queue whose device URI names a host is never parked: the scheduler hides any
// user:password there, and giving back what it shows would lose them. Every request gives up
// after the request time-out; a scheduler that does not run at all is no failure.

#include <memory>

#include "printers/Spooler.h"

namespace vemora {

// The scheduler that libcups would use (CUPS_SERVER, client.conf, the local socket). Nothing is
// ever asked of the user: a request that needs a password counts as refused.
std::unique_ptr<Spooler> MakeCupsSpooler();

}  // namespace vemora
