// Temporary files and small hand-made samples for the engine's tests.
#pragma once
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ivdata/ivdata.h"

namespace ivtest {

// A directory removed with everything in it when the test ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// Gaussian of given height centred at `apex` (in points), width sigma (points).
inline double Gauss(double x, double apex, double sigma, double height) {
  const double d = (x - apex) / sigma;
  return height * std::exp(-0.5 * d * d);
}

// A chromatogram of n points, 1 scan per 0.01 min, values from f(i).
template <typename F>
ivdata::Chromatogram MakeChromatogram(int n, F f) {
  ivdata::Chromatogram c;
  for (int i = 0; i < n; ++i) {
    c.rt.push_back(0.01 * i);
    c.scan.push_back(i + 1);
    c.value.push_back(f(i));
  }
  return c;
}

// Deterministic Gaussian noise for tests.
class Noise {
 public:
  explicit Noise(unsigned seed) : state_(seed * 2654435761u + 1) {}
  double Next();

 private:
  unsigned long long state_;
};

}  // namespace ivtest
