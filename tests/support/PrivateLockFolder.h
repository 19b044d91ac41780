#pragma once
// Lock files of a test program go to a folder of its own: never to /run/lock, and apart from the
// test programs that run at the same time. Its children (vemora-cli) inherit it.

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace vemora::test {

class PrivateLockFolder {
  public:
    PrivateLockFolder() {
        std::string folder =
            (std::filesystem::temp_directory_path() / "vemora-locks-XXXXXX").string();
        if (mkdtemp(folder.data()) != nullptr) {
            setenv("VEMORA_LOCK_DIR", folder.c_str(), 1);
            path_ = folder;
        }
    }
    ~PrivateLockFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

inline const PrivateLockFolder kPrivateLockFolder;

}  // namespace vemora::test
