#pragma once
// A folder of a test's own, and whole files as bytes.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vemora::test {

// A new empty folder under the temporary folder, removed with all it holds when the object ends.
class TempFolder {
  public:
    explicit TempFolder(const std::string& what = "test") {
        namespace fs = std::filesystem;
        std::random_device random;
        // Making the folder is what claims the name; only its user may look inside, on POSIX.
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const fs::path folder =
                fs::temp_directory_path() / ("vemora-" + what + "-" + std::to_string(random()));
            std::error_code error;
            if (fs::create_directory(folder, error)) {
                fs::permissions(folder, fs::perms::owner_all, error);
                path_ = folder;
            }
        }
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

inline std::vector<char> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
}

}  // namespace vemora::test
