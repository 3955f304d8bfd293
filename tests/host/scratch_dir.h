// A scratch folder for the host's portable tests (they also build natively, without Win32).
#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace host_testing {

class scratch_dir {
 public:
  scratch_dir() {
    static int counter = 0;
    auto base = std::filesystem::temp_directory_path();
    do {
      path_ = base / ("rmx_host_" + std::to_string(reinterpret_cast<uintptr_t>(this) & 0xFFFFFF) + "_" +
                      std::to_string(++counter));
    } while (!std::filesystem::create_directory(path_));
  }
  ~scratch_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;

  // Writes bytes to a file below the folder (creating folders on the way) and returns its path.
  std::string put(const std::string& relative, const std::string& bytes) const {
    auto p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string path() const { return path_.string(); }
  std::string at(const std::string& relative) const { return (path_ / relative).make_preferred().string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace host_testing
