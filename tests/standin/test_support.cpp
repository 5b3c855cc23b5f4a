#include "test_support.h"

#include <unistd.h>

namespace ivtest {

TempDir::TempDir() {
  static int counter = 0;
  dir_ = std::filesystem::temp_directory_path() /
         ("ivdata-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
  std::filesystem::create_directories(dir_);
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

double Noise::Next() {
  // Sum of uniforms: close enough to Gaussian for noise, and the same on every platform.
  double sum = 0;
  for (int i = 0; i < 12; ++i) {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    sum += static_cast<double>(state_ >> 11) * 0x1.0p-53;
  }
  return sum - 6;
}

}  // namespace ivtest
