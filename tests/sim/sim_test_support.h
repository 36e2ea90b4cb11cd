// Small helpers shared by the fwsim and session tests: a temporary directory, whole-file reads and
// writes, deterministic test contents, and the path of the fwsim program under test.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace simtest {

inline const char* fwsim_program() { return FWSIM_PROGRAM; }

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/fwsim-test-XXXXXX";
    path_ = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void write_file(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// Every byte value, in an order that differs from block to block.
inline std::string binary_content(size_t size, uint32_t seed = 1) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen() & 0xff);
  return s;
}

// Configuration-like lines ending in LF.
inline std::string text_content(size_t size) {
  std::string s;
  for (int line = 0; s.size() < size; ++line)
    s += "setting_" + std::to_string(line) + " value with blanks " + std::to_string(line * 7) + "\n";
  s.resize(size);
  if (size > 0) s.back() = '\n';
  return s;
}

}  // namespace simtest
