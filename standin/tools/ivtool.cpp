// ivtool: the stand-in data engine from the command line, for people and for checks.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ivdata/ivdata.h"
#include "open_format.h"

namespace {

const char* const kUsage =
    "usage: ivtool COMMAND ...\n"
    "  import IN.(mzML|mzXML) OUT.ivs          convert an open-format run into a sample\n"
    "  export SAMPLE OUT.(mzML|mzXML)           write a sample in an open format\n"
    "  synth --seed N [--scans N] [--cycle MIN] [--noise-points N] [--no-ms2] [--truth FILE] OUT.ivs\n"
    "                                           synthesise a sample and its ground truth (default OUT.truth.json)\n"
    "  info SAMPLE                              functions, scans, traces\n"
    "  chrom SAMPLE [--channel DESC] [--function N] [--scans A:B]\n"
    "                                           the chromatogram as 'scan rt value' lines\n"
    "  peaks SAMPLE [--channel DESC] [--function N] [--scans A:B] [--ini FILE]\n"
    "                                           integrate; one JSON object per peak\n"
    "  combine SAMPLE --scans A:B[,C:D[,E:F]] [--function N] [--scale X] [--threshold PCT] [--ppm P]\n"
    "                                           the combined spectrum as 'mz intensity' lines\n"
    "  page SAMPLE --scans A:B[,C:D...] OUT.pdf [--function N] [--png OUT.png] [--title TEXT] [--dpi N]\n"
    "                                           one printed page, one spectrum per range (at most six)\n"
    "  params [--ini FILE]                      the effective ChrIntegrate parameters\n"
    "Channels: TIC, BPI, 301.1, 301.1~0.02, 301.1+455.2, 300_310, or an analog trace name.\n"
    "Retention times are in minutes; functions and scans count from 1.\n";

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::set<std::string> flags;

  std::string Get(const std::string& name, const std::string& fallback = "") const {
    const auto it = options.find(name);
    return it == options.end() ? fallback : it->second;
  }
  bool Has(const std::string& name) const { return options.count(name) || flags.count(name); }
};

Args ParseArgs(int argc, char** argv, int from, const std::set<std::string>& valued, const std::set<std::string>& flags,
               std::size_t positionals) {
  Args a;
  for (int i = from; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.size() > 2 && arg.compare(0, 2, "--") == 0) {
      const std::string name = arg.substr(2);
      if (flags.count(name)) {
        a.flags.insert(name);
      } else if (valued.count(name)) {
        if (i + 1 >= argc) throw UsageError("option --" + name + " needs a value");
        a.options[name] = argv[++i];
      } else {
        throw UsageError("unknown option " + arg);
      }
    } else {
      a.positional.push_back(arg);
    }
  }
  if (a.positional.size() != positionals) {
    throw UsageError("expected " + std::to_string(positionals) + " argument" + (positionals == 1 ? "" : "s") + ", got " +
                     std::to_string(a.positional.size()));
  }
  return a;
}

long long WholeOption(const Args& a, const std::string& name, long long fallback, long long lo, long long hi) {
  if (!a.options.count(name)) return fallback;
  const std::string& text = a.options.at(name);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || errno != 0 || v < lo || v > hi) {
    throw UsageError("--" + name + " must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
  }
  return v;
}

double RealOption(const Args& a, const std::string& name, double fallback) {
  if (!a.options.count(name)) return fallback;
  double v = 0;
  if (!ivdata::ParseDialogNumber(a.options.at(name), v)) throw UsageError("--" + name + " must be a number");
  return v;
}

ivdata::Channel ChannelOption(const Args& a) {
  ivdata::Channel channel;
  std::string error;
  if (!ivdata::ParseChannel(a.Get("channel", "TIC"), channel, &error)) throw ivdata::Error("unknown channel: " + error);
  return channel;
}

std::vector<ivdata::ScanRange> RangesOption(const Args& a, bool required) {
  std::vector<ivdata::ScanRange> ranges;
  if (!a.options.count("scans")) {
    if (required) throw UsageError("--scans A:B is required");
    return ranges;
  }
  std::string error;
  if (!ivdata::ParseScanRanges(a.options.at("scans"), ranges, &error)) throw UsageError("--scans: " + error);
  if (ranges.empty()) throw UsageError("--scans: no range given");
  return ranges;
}

std::string Num(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

int Import(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {}, {}, 2);
  const auto start = std::chrono::steady_clock::now();
  const ivtool::ImportReport r = ivtool::ImportOpenFormat(a.positional[0], a.positional[1]);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const auto& f : r.functions) std::printf("function %d: MS%d, %d scans\n", f.msLevel, f.msLevel, f.scans);
  for (const auto& t : r.traces) std::printf("trace: %s\n", t.c_str());
  if (r.skippedSpectra) std::printf("skipped %d spectra without MS level or scan time\n", r.skippedSpectra);
  if (r.skippedChromatograms) std::printf("skipped %d mass chromatograms (derived from the scans instead)\n", r.skippedChromatograms);
  for (const auto& w : r.warnings) std::printf("warning: %s\n", w.c_str());
  std::printf("wrote %s in %.3f s\n", a.positional[1].c_str(), seconds);
  return 0;
}

int Export(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {}, {}, 2);
  ivtool::ExportOpenFormat(a.positional[0], a.positional[1]);
  std::printf("wrote %s\n", a.positional[1].c_str());
  return 0;
}

int Synth(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {"seed", "scans", "cycle", "noise-points", "truth"}, {"no-ms2"}, 1);
  if (!a.options.count("seed")) throw UsageError("--seed N is required");
  ivdata::SynthOptions o;
  o.seed = static_cast<std::uint64_t>(WholeOption(a, "seed", 1, 0, (1ll << 62)));
  o.ms1Scans = static_cast<int>(WholeOption(a, "scans", o.ms1Scans, 50, 1000000));
  o.cycleMinutes = RealOption(a, "cycle", o.cycleMinutes);
  o.noisePointsPerScan = static_cast<int>(WholeOption(a, "noise-points", o.noisePointsPerScan, 10, 5000000));
  o.ms2 = !a.Has("no-ms2");
  const std::string out = a.positional[0];
  const std::string truthPath = a.Get("truth", out + ".truth.json");
  const ivdata::SynthTruth truth = ivdata::Synthesise(o, out);
  std::ofstream t(truthPath, std::ios::binary);
  t << ivdata::TruthToJson(truth);
  t.close();
  if (!t) throw ivdata::Error("cannot write " + truthPath);
  std::printf("wrote %s (%zu peaks) and %s\n", out.c_str(), truth.peaks.size(), truthPath.c_str());
  return 0;
}

int Info(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {}, {}, 1);
  const ivdata::Sample s = ivdata::Sample::Open(a.positional[0]);
  std::printf("sample: %s\n", s.Info().name.c_str());
  if (!s.Info().description.empty()) std::printf("description: %s\n", s.Info().description.c_str());
  if (!s.Info().source.empty()) std::printf("source: %s\n", s.Info().source.c_str());
  std::printf("created: %s\nsize: %llu bytes\n", s.Info().created.c_str(), static_cast<unsigned long long>(s.FileSize()));
  for (int f = 1; f <= s.FunctionCount(); ++f) {
    const auto& fn = s.Function(f);
    std::printf("function %d: %s, MS level %d, %d scans", f, fn.description.c_str(), fn.msLevel, fn.scanCount);
    if (fn.scanCount > 0) std::printf(", %.4f-%.4f min", s.Scan(f, 1).rt, s.Scan(f, fn.scanCount).rt);
    std::printf("\n");
  }
  for (int t = 1; t <= s.TraceCount(); ++t) {
    const auto& tr = s.Trace(t);
    std::printf("trace %d: %s (%s), %u points\n", t, tr.name.c_str(), tr.unit.c_str(), tr.points);
  }
  return 0;
}

int Chrom(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {"channel", "function", "scans"}, {}, 1);
  const ivdata::Sample s = ivdata::Sample::Open(a.positional[0]);
  const auto ranges = RangesOption(a, false);
  if (ranges.size() > 1) throw UsageError("--scans takes one range here");
  const int function = static_cast<int>(WholeOption(a, "function", 1, 1, 1000));
  const ivdata::Chromatogram c = ivdata::ExtractChromatogram(s, function, ChannelOption(a), ranges.empty() ? 1 : ranges[0].first,
                                                             ranges.empty() ? 0 : ranges[0].last);
  std::printf("# %s\n", c.label.c_str());
  for (std::size_t i = 0; i < c.rt.size(); ++i) std::printf("%s %s %s\n", Num(c.scan[i]).c_str(), Num(c.rt[i]).c_str(), Num(c.value[i]).c_str());
  return 0;
}

int Peaks(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {"channel", "function", "scans", "ini"}, {}, 1);
  const ivdata::Sample s = ivdata::Sample::Open(a.positional[0]);
  const auto ranges = RangesOption(a, false);
  if (ranges.size() > 1) throw UsageError("--scans takes one range here");
  const int function = static_cast<int>(WholeOption(a, "function", 1, 1, 1000));
  std::vector<std::string> warnings;
  const ivdata::IntegratorSettings settings =
      a.Has("ini") ? ivdata::ReadIntegratorSettings(a.Get("ini"), ivdata::kIntegratorSection, &warnings) : ivdata::IntegratorSettings();
  for (const auto& w : warnings) std::fprintf(stderr, "ivtool: warning: %s\n", w.c_str());
  const auto peaks = ivdata::IntegrateChannel(s, function, ChannelOption(a), ranges.empty() ? 1 : ranges[0].first,
                                              ranges.empty() ? 0 : ranges[0].last, settings);
  for (const ivdata::Peak& p : peaks) {
    std::printf("{\"apex_scan\": %s, \"apex_rt\": %s, \"start_scan\": %d, \"end_scan\": %d, \"height\": %s, \"area\": %s, "
                "\"start_rt\": %s, \"end_rt\": %s, \"signal_to_noise\": %s}\n",
                Num(p.apexScan).c_str(), Num(p.apexRt).c_str(), p.startScan, p.endScan, Num(p.height).c_str(), Num(p.area).c_str(),
                Num(p.startRt).c_str(), Num(p.endRt).c_str(), Num(p.signalToNoise).c_str());
  }
  return 0;
}

ivdata::CombineRequest Request(const Args& a) {
  ivdata::CombineRequest r;
  r.function = static_cast<int>(WholeOption(a, "function", 1, 1, 1000));
  r.scale = RealOption(a, "scale", r.scale);
  r.thresholdPercent = RealOption(a, "threshold", r.thresholdPercent);
  r.tolerancePpm = RealOption(a, "ppm", r.tolerancePpm);
  return r;
}

int Combine(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {"scans", "function", "scale", "threshold", "ppm"}, {}, 1);
  const ivdata::Sample s = ivdata::Sample::Open(a.positional[0]);
  ivdata::CombineRequest r = Request(a);
  r.ranges = RangesOption(a, true);
  const ivdata::CombinedSpectrum c = ivdata::CombineScans(s, r);
  std::printf("# sample %s, function %d, scans %s (%d), rt %.4f-%.4f min, base peak %.5f %s\n", c.sampleName.c_str(), c.function,
              ivdata::ScanRangesText(c.ranges).c_str(), c.scansUsed, c.firstRt, c.lastRt, c.basePeakMz, Num(c.basePeakIntensity).c_str());
  for (std::size_t i = 0; i < c.spectrum.mz.size(); ++i) std::printf("%.6f %s\n", c.spectrum.mz[i], Num(c.spectrum.intensity[i]).c_str());
  return 0;
}

// OUT.pdf gives OUT.png; a name without an extension gets ".png" added.
std::string PreviewPath(const std::string& pdf) {
  const std::size_t slash = pdf.find_last_of("/\\");
  const std::size_t dot = pdf.find_last_of('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return pdf.substr(0, dot) + ".png";
  return pdf + ".png";
}

int Page(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {"scans", "function", "scale", "threshold", "ppm", "png", "title", "dpi"}, {}, 2);
  const ivdata::Sample s = ivdata::Sample::Open(a.positional[0]);
  const auto ranges = RangesOption(a, true);
  if (static_cast<int>(ranges.size()) > ivdata::kMaxPageSpectra) throw UsageError("a page holds at most six spectra");
  std::vector<ivdata::CombinedSpectrum> spectra;
  for (const auto& range : ranges) {
    ivdata::CombineRequest r = Request(a);
    r.ranges = {range};
    spectra.push_back(ivdata::CombineScans(s, r));
  }
  ivdata::PageOptions options;
  options.title = a.Get("title", s.Info().name + ": combined spectra");
  options.previewDpi = static_cast<int>(WholeOption(a, "dpi", options.previewDpi, 90, 300));
  const std::string pdf = a.positional[1];
  std::string png = a.Get("png");
  if (png.empty()) png = PreviewPath(pdf);
  ivdata::WritePage(spectra, options, pdf, png);
  std::printf("wrote %s and %s\n", pdf.c_str(), png.c_str());
  return 0;
}

int Params(int argc, char** argv) {
  const Args a = ParseArgs(argc, argv, 2, {"ini"}, {}, 0);
  std::vector<std::string> warnings;
  const ivdata::IntegratorSettings s =
      a.Has("ini") ? ivdata::ReadIntegratorSettings(a.Get("ini"), ivdata::kIntegratorSection, &warnings) : ivdata::IntegratorSettings();
  for (const auto& w : warnings) std::fprintf(stderr, "ivtool: warning: %s\n", w.c_str());
  const char* smooth[] = {"None", "Mean", "SavitzkyGolay"};
  std::printf("[%s]\nSmoothMethod=%s\nSmoothWidth=%d\nMinSignalToNoise=%s\nMinHeight=%s\nMinRelativeHeight=%s\nMinWidth=%d\nBaseline=%s\nMaxPeaks=%d\n",
              ivdata::kIntegratorSection, smooth[static_cast<int>(s.smoothMethod)], s.smoothWidth, Num(s.minSignalToNoise).c_str(),
              Num(s.minHeight).c_str(), Num(s.minRelativeHeight).c_str(), s.minWidth,
              s.baseline == ivdata::BaselineMode::Zero ? "Zero" : "BaseToBase", s.maxPeaks);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::map<std::string, int (*)(int, char**)> commands = {
      {"import", Import}, {"export", Export}, {"synth", Synth},     {"info", Info},  {"chrom", Chrom},
      {"peaks", Peaks},   {"combine", Combine}, {"page", Page}, {"params", Params}};
  const auto it = commands.find(argv[1]);
  try {
    if (it == commands.end()) throw UsageError(std::string("unknown command ") + argv[1]);
    return it->second(argc, argv);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "ivtool: %s (ivtool --help lists the commands)\n", e.what());
    return 2;
  } catch (const ivdata::Error& e) {
    std::fprintf(stderr, "ivtool: %s\n", e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "ivtool: out of memory\n");
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ivtool: %s\n", e.what());
    return 1;
  }
}
