#pragma once
// A fresh directory under the system's temporary directory, on both systems:
// a random name, taken only when creating it succeeds.
#include <filesystem>
#include <random>
#include <string>

inline std::string NewScratchDirectory(const std::string& prefix) {
  namespace fs = std::filesystem;
  std::random_device random;
  for (;;) {
    const fs::path candidate = fs::temp_directory_path() / (prefix + std::to_string(random() % 1000000000));
    std::error_code error;
    if (fs::create_directory(candidate, error)) {
      const std::u8string text = candidate.generic_u8string();
      return std::string(text.begin(), text.end());
    }
    if (error) throw fs::filesystem_error("cannot create a scratch directory", candidate, error);
  }
}
