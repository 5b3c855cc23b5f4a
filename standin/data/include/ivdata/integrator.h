// Chromatographic peak integration with the parameter set kept in the host's settings file.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ivdata/chromatogram.h"

namespace ivdata {

enum class SmoothMethod { None = 0, Mean = 1, SavitzkyGolay = 2 };
enum class BaselineMode { BaseToBase = 0, Zero = 1 };

// INI keys (section "ChrIntegrate" of the host's settings file) and their defaults:
//   SmoothMethod      = SavitzkyGolay   None | Mean | SavitzkyGolay
//   SmoothWidth       = 7               points, odd, 1..99 (1: no smoothing)
//   MinSignalToNoise  = 5               apex height above baseline over the trace's noise, >= 0
//   MinHeight         = 0               absolute apex height above baseline, >= 0
//   MinRelativeHeight = 0               percent of the highest peak's height, 0..100
//   MinWidth          = 2               unsmoothed points at or above half height, 1..10000
//   Baseline          = BaseToBase      BaseToBase (line under each group of touching peaks) | Zero
//   MaxPeaks          = 0               keep at most this many (the largest by area), 0: all
// An absent file, section or key gives the default; a value that does not parse or lies outside its
// range also gives the default and adds a warning.
struct IntegratorSettings {
  SmoothMethod smoothMethod = SmoothMethod::SavitzkyGolay;
  int smoothWidth = 7;
  double minSignalToNoise = 5;
  double minHeight = 0;
  double minRelativeHeight = 0;
  int minWidth = 2;
  BaselineMode baseline = BaselineMode::BaseToBase;
  int maxPeaks = 0;
};

constexpr const char* kIntegratorSection = "ChrIntegrate";

IntegratorSettings ReadIntegratorSettings(const std::string& iniPath,
                                          std::string_view section = kIntegratorSection,
                                          std::vector<std::string>* warnings = nullptr);
// Writes every key into the section, keeping the rest of the file; creates the file if absent.
void WriteIntegratorSettings(const std::string& iniPath, const IntegratorSettings& settings,
                             std::string_view section = kIntegratorSection);

// The settings as bytes of the host's fixed-size parameter block (little-endian, tagged). Decoding a
// block that does not carry the tag (e.g. all zero) gives the defaults and returns false.
void EncodeIntegratorSettings(const IntegratorSettings& settings, std::span<std::uint8_t> block);
bool DecodeIntegratorSettings(std::span<const std::uint8_t> block, IntegratorSettings& settings);
constexpr std::size_t kEncodedSettingsSize = 64;  // bytes used at the start of the block

struct Peak {
  double apexScan = 0;   // fractional, in the function's scan numbers
  double apexRt = 0;     // minutes
  int startScan = 0;
  int endScan = 0;
  double startRt = 0;
  double endRt = 0;
  double height = 0;     // apex above baseline
  double area = 0;       // above baseline, intensity x minutes (trapezoids on the unsmoothed trace)
  double signalToNoise = 0;
  double baselineStart = 0;  // baseline value at startRt and endRt
  double baselineEnd = 0;
};

// Peaks in time order. An empty, constant or too short trace, or one holding a value that is not
// finite, has no peaks. Throws Error only when the arrays differ in length.
std::vector<Peak> IntegrateChromatogram(const Chromatogram& chromatogram,
                                        const IntegratorSettings& settings);

// Extracts the channel over firstScan..lastScan (lastScan 0: the last) and integrates it. For analog
// traces the scans are the function's scans nearest the peak's times (apexScan interpolated).
std::vector<Peak> IntegrateChannel(const Sample& sample, int function, const Channel& channel,
                                   int firstScan, int lastScan, const IntegratorSettings& settings);

// Noise level the integrator measures signal-to-noise against: robust, from second differences.
double EstimateNoise(std::span<const double> values);

}  // namespace ivdata
