#pragma once
// A pseudo-terminal pair: the test holds the master side, and whatever it tests opens the slave by
// its path. Never a /dev/ttyS*: ttyS0 is the console.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "serial/FileHandle.h"

namespace vemora::test {

class PseudoTerminal {
  public:
    PseudoTerminal() : master_(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
        if (!master_ || grantpt(master_.Get()) != 0 || unlockpt(master_.Get()) != 0) {
            ADD_FAILURE() << "no pseudo-terminal";
            return;
        }
        path_ = ptsname(master_.Get());
    }

    int Master() const { return master_.Get(); }
    // The slave's path; empty when there is no pseudo-terminal.
    const std::string& Path() const { return path_; }
    // The slave side, as a terminal a program writes to.
    FileHandle OpenSlave() const {
        return FileHandle(path_.empty() ? -1 : open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
    }

  private:
    FileHandle master_;
    std::string path_;
};

}  // namespace vemora::test
