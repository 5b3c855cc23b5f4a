// Sample files: the stand-in's own single-file format with a scan index for random access.
// Functions and scans are numbered from 1; retention times are in minutes.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ivdata/error.h"

namespace ivdata {

struct SampleInfo {
  std::string name;         // shown on pages and in the host's header
  std::string description;  // free text, e.g. "synthetic, seed 7"
  std::string source;       // file the sample was made from, if any
  std::string created;      // ISO 8601 date and time of writing
};

struct FunctionInfo {
  int msLevel = 1;          // 1 for MS1, 2 for MS2 ...; 0 when not an MS function
  std::string description;  // e.g. "MS1", "MS2"
  int scanCount = 0;
};

// One scan's index entry: everything the chromatogram of TIC or BPI needs without reading arrays.
struct ScanInfo {
  double rt = 0;                    // minutes
  double tic = 0;                   // sum of the scan's intensities
  double basePeakMz = 0;            // m/z of the most intense point (0 for an empty scan)
  float basePeakIntensity = 0;
  std::uint32_t points = 0;
  bool centroided = true;
  double precursorMz = 0;           // MS2 and higher: the isolated precursor; 0 otherwise
};

enum class TraceType : std::uint32_t { Other = 0, Absorbance = 1, Pressure = 2, Radiation = 3 };

struct TraceInfo {
  std::string name;  // unique in the sample, case-insensitively; starts with a letter
  std::string unit;  // e.g. "mAU", "bar"; may be empty
  TraceType type = TraceType::Other;
  std::uint32_t points = 0;
};

struct Spectrum {
  std::vector<double> mz;          // ascending
  std::vector<double> intensity;   // same length as mz
  bool centroided = true;
};

struct AnalogTrace {
  std::vector<double> rt;     // minutes, ascending
  std::vector<double> value;
};

// A read-only open sample. Opening reads only the fixed header and the index (tens of bytes per scan),
// never the spectra, so a 1 GB sample opens at once; spectra are read one at a time on request.
// Not thread-safe (one file position); movable, not copyable.
class Sample {
 public:
  static Sample Open(const std::string& path);  // throws Error: missing, not a sample, corrupt, truncated
  Sample(Sample&&) noexcept;
  Sample& operator=(Sample&&) noexcept;
  ~Sample();

  const std::string& Path() const;
  const SampleInfo& Info() const;
  std::uint64_t FileSize() const;

  int FunctionCount() const;
  const FunctionInfo& Function(int function) const;  // throws Error for a number outside 1..FunctionCount
  int ScanCount(int function) const;                 // 0 for a number outside 1..FunctionCount
  const ScanInfo& Scan(int function, int scan) const;  // throws Error outside the function

  // Scan nearest to a retention time, clamped to the function's first and last scan; ties go to the
  // earlier scan. 0 when the function has no scans or the time is not finite.
  int ScanAtTime(int function, double minutes) const;
  // Fractional scan number at a time, by linear interpolation between scan times, clamped to
  // [1, ScanCount]. 0 when the function has no scans or the time is not finite.
  double FractionalScanAtTime(int function, double minutes) const;

  // Reads one scan's arrays from the file; throws Error if the stored arrays are damaged.
  Spectrum ReadSpectrum(int function, int scan) const;

  int TraceCount() const;
  const TraceInfo& Trace(int trace) const;          // 1-based; throws Error outside 1..TraceCount
  int FindTrace(std::string_view name) const;       // case-insensitive; 0 when none has the name
  AnalogTrace ReadTrace(int trace) const;

 private:
  struct Impl;
  explicit Sample(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Writes a sample in one pass: scans of any function may come interleaved (as in data-dependent runs)
// and go straight to disk; only the index stays in memory. Writes to "<path>.part" and renames on
// Finish, so a failed or abandoned write never leaves a half-written sample under the final name.
class SampleWriter {
 public:
  SampleWriter(const std::string& path, SampleInfo info);  // throws Error when the file cannot be made
  ~SampleWriter();                                          // removes the partial file unless finished
  SampleWriter(const SampleWriter&) = delete;
  SampleWriter& operator=(const SampleWriter&) = delete;

  // Returns the new function's number (1, 2, ...).
  int AddFunction(int msLevel, std::string description);
  // mz must be finite and intensities finite; points are sorted by m/z if they are not. Scan times of
  // one function must not decrease. Throws Error otherwise.
  void AddScan(int function, double rtMinutes, std::span<const double> mz,
               std::span<const double> intensity, bool centroided, double precursorMz = 0);
  // Throws Error for an empty, duplicate or reserved name ("TIC", "BPI"), a name not starting with a
  // letter, decreasing times or non-finite values.
  void AddTrace(TraceInfo info, std::span<const double> rtMinutes, std::span<const double> values);
  void Finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Makes an arbitrary text usable as a trace name (starts with a letter, not TIC or BPI, at most
// 63 characters, printable).
std::string TraceNameFrom(std::string_view text);

}  // namespace ivdata
