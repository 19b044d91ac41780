#pragma once
// Lock files of a test program go to a folder of its own: never to /run/lock, and apart from the
// test programs that run at the same time. Its children (vemora-cli) inherit it.

#include <stdlib.h>

#include "support/TempFolder.h"

namespace vemora::test {

class PrivateLockFolder {
  public:
    PrivateLockFolder() {
        if (!folder_.Path().empty()) {
            setenv("VEMORA_LOCK_DIR", folder_.Path().c_str(), 1);
        }
    }
    const std::filesystem::path& Path() const { return folder_.Path(); }

  private:
    TempFolder folder_{"locks"};
};

inline const PrivateLockFolder kPrivateLockFolder;

}  // namespace vemora::test
