// ivtool: the stand-in data engine from the command line, for people and for checks.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#include "ivdata/ivdata.h"
#include "ivdata/json.h"
#include "open_format.h"

namespace {

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Everything any command takes; each command binds only its own.
struct Options {
  std::string input, output;  // the positionals: IN OUT, SAMPLE OUT, SAMPLE, OUT
  ivdata::SynthOptions synth;
  std::string truth;
  std::string channel = "TIC";
  int function = 1;
  std::vector<ivdata::ScanRange> ranges;
  std::string ini;
  ivdata::CombineRequest request;
  std::string png, title;
  int dpi = ivdata::PageOptions().previewDpi;
};

// A number as the host's dialog fields read it (ivdata::ParseDialogNumber).
CLI::Option* AddReal(CLI::App* command, const std::string& name, double& value, const std::string& what) {
  return command->add_option_function<std::string>(
      name,
      [&value, name](const std::string& text) {
        if (!ivdata::ParseDialogNumber(text, value)) throw CLI::ValidationError(name, "must be a number, not " + text);
      },
      what);
}

CLI::Option* AddRanges(CLI::App* command, Options& o, const std::string& what) {
  return command->add_option_function<std::string>(
      "--scans",
      [&o](const std::string& text) {
        std::string error;
        if (!ivdata::ParseScanRanges(text, o.ranges, &error)) throw CLI::ValidationError("--scans", error);
        if (o.ranges.empty()) throw CLI::ValidationError("--scans", "no range given");
      },
      what);
}

CLI::Option* AddFunction(CLI::App* command, Options& o) {
  return command->add_option("--function", o.function, "function number, from 1")->check(CLI::Range(1, 1000));
}

// The one range --scans may give here, as first and last scan (1 and 0: the whole function).
std::pair<int, int> OneRange(const Options& o) {
  if (o.ranges.size() > 1) throw UsageError("--scans takes one range here");
  return o.ranges.empty() ? std::pair{1, 0} : std::pair{o.ranges[0].first, o.ranges[0].last};
}

ivdata::Channel ChannelOption(const Options& o) {
  ivdata::Channel channel;
  std::string error;
  if (!ivdata::ParseChannel(o.channel, channel, &error)) throw ivdata::Error("unknown channel: " + error);
  return channel;
}

ivdata::IntegratorSettings SettingsOption(const CLI::App& command, const Options& o) {
  std::vector<std::string> warnings;
  const ivdata::IntegratorSettings s = command.count("--ini")
                                           ? ivdata::ReadIntegratorSettings(o.ini, ivdata::kIntegratorSection, &warnings)
                                           : ivdata::IntegratorSettings();
  for (const auto& w : warnings) std::fprintf(stderr, "ivtool: warning: %s\n", w.c_str());
  return s;
}

std::string Num(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

int Import(const CLI::App&, const Options& o) {
  const auto start = std::chrono::steady_clock::now();
  const ivtool::ImportReport r = ivtool::ImportOpenFormat(o.input, o.output);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  for (const auto& f : r.functions) std::printf("function %d: MS%d, %d scans\n", f.msLevel, f.msLevel, f.scans);
  for (const auto& t : r.traces) std::printf("trace: %s\n", t.c_str());
  if (r.skippedSpectra) std::printf("skipped %d spectra without MS level or scan time\n", r.skippedSpectra);
  if (r.skippedChromatograms) std::printf("skipped %d mass chromatograms (derived from the scans instead)\n", r.skippedChromatograms);
  for (const auto& w : r.warnings) std::printf("warning: %s\n", w.c_str());
  std::printf("wrote %s in %.3f s\n", o.output.c_str(), seconds);
  return 0;
}

int Export(const CLI::App&, const Options& o) {
  ivtool::ExportOpenFormat(o.input, o.output);
  std::printf("wrote %s\n", o.output.c_str());
  return 0;
}

int Synth(const CLI::App& command, const Options& o) {
  const std::string truthPath = command.count("--truth") ? o.truth : o.output + ".truth.json";
  const ivdata::SynthTruth truth = ivdata::Synthesise(o.synth, o.output);
  std::ofstream t(truthPath, std::ios::binary);
  t << ivdata::TruthToJson(truth);
  t.close();
  if (!t) throw ivdata::Error("cannot write " + truthPath);
  std::printf("wrote %s (%zu peaks) and %s\n", o.output.c_str(), truth.peaks.size(), truthPath.c_str());
  return 0;
}

int Info(const CLI::App&, const Options& o) {
  const ivdata::Sample s = ivdata::Sample::Open(o.input);
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

int Chrom(const CLI::App&, const Options& o) {
  const ivdata::Sample s = ivdata::Sample::Open(o.input);
  const auto [first, last] = OneRange(o);
  const ivdata::Chromatogram c = ivdata::ExtractChromatogram(s, o.function, ChannelOption(o), first, last);
  std::printf("# %s\n", c.label.c_str());
  for (std::size_t i = 0; i < c.rt.size(); ++i) std::printf("%s %s %s\n", Num(c.scan[i]).c_str(), Num(c.rt[i]).c_str(), Num(c.value[i]).c_str());
  return 0;
}

int Peaks(const CLI::App& command, const Options& o) {
  const ivdata::Sample s = ivdata::Sample::Open(o.input);
  const auto [first, last] = OneRange(o);
  const ivdata::IntegratorSettings settings = SettingsOption(command, o);
  const auto peaks = ivdata::IntegrateChannel(s, o.function, ChannelOption(o), first, last, settings);
  for (const ivdata::Peak& p : peaks) {
    const ivdata::Json line = {{"apex_scan", ivdata::Number(p.apexScan, 10)}, {"apex_rt", ivdata::Number(p.apexRt, 10)},
                               {"start_scan", p.startScan},                     {"end_scan", p.endScan},
                               {"height", ivdata::Number(p.height, 10)},        {"area", ivdata::Number(p.area, 10)},
                               {"start_rt", ivdata::Number(p.startRt, 10)},     {"end_rt", ivdata::Number(p.endRt, 10)},
                               {"signal_to_noise", ivdata::Number(p.signalToNoise, 10)}};
    std::fputs(ivdata::JsonLine(line).c_str(), stdout);
  }
  return 0;
}

int Combine(const CLI::App&, const Options& o) {
  const ivdata::Sample s = ivdata::Sample::Open(o.input);
  ivdata::CombineRequest r = o.request;
  r.function = o.function;
  r.ranges = o.ranges;
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

int Page(const CLI::App& command, const Options& o) {
  const ivdata::Sample s = ivdata::Sample::Open(o.input);
  if (static_cast<int>(o.ranges.size()) > ivdata::kMaxPageSpectra) throw UsageError("a page holds at most six spectra");
  std::vector<ivdata::CombinedSpectrum> spectra;
  for (const auto& range : o.ranges) {
    ivdata::CombineRequest r = o.request;
    r.function = o.function;
    r.ranges = {range};
    spectra.push_back(ivdata::CombineScans(s, r));
  }
  ivdata::PageOptions options;
  options.title = command.count("--title") ? o.title : s.Info().name + ": combined spectra";
  options.previewDpi = o.dpi;
  const std::string png = o.png.empty() ? PreviewPath(o.output) : o.png;
  ivdata::WritePage(spectra, options, o.output, png);
  std::printf("wrote %s and %s\n", o.output.c_str(), png.c_str());
  return 0;
}

int Params(const CLI::App& command, const Options& o) {
  const ivdata::IntegratorSettings s = SettingsOption(command, o);
  const char* smooth[] = {"None", "Mean", "SavitzkyGolay"};
  std::printf("[%s]\nSmoothMethod=%s\nSmoothWidth=%d\nMinSignalToNoise=%s\nMinHeight=%s\nMinRelativeHeight=%s\nMinWidth=%d\nBaseline=%s\nMaxPeaks=%d\n",
              ivdata::kIntegratorSection, smooth[static_cast<int>(s.smoothMethod)], s.smoothWidth, Num(s.minSignalToNoise).c_str(),
              Num(s.minHeight).c_str(), Num(s.minRelativeHeight).c_str(), s.minWidth,
              s.baseline == ivdata::BaselineMode::Zero ? "Zero" : "BaseToBase", s.maxPeaks);
  return 0;
}

using Command = int (*)(const CLI::App&, const Options&);

// Every command with its arguments; `run` gets what each one does.
void AddCommands(CLI::App& app, Options& o, std::map<const CLI::App*, Command>& run) {
  const auto add = [&](const char* name, const char* what, Command command) {
    CLI::App* sub = app.add_subcommand(name, what);
    run[sub] = command;
    return sub;
  };
  const auto sample = [&](CLI::App* sub) { sub->add_option("SAMPLE", o.input, "a sample (.ivs)")->required(); };
  const auto channel = [&](CLI::App* sub) {
    sub->add_option("--channel", o.channel, "TIC, BPI, 301.1, 301.1~0.02, 301.1+455.2, 300_310 or an analog trace name")
        ->capture_default_str();
  };
  const auto combining = [&](CLI::App* sub) {
    AddFunction(sub, o);
    AddReal(sub, "--scale", o.request.scale, "the dialog's scale");
    AddReal(sub, "--threshold", o.request.thresholdPercent, "threshold, percent of the base peak");
    AddReal(sub, "--ppm", o.request.tolerancePpm, "m/z tolerance in ppm");
  };

  CLI::App* import = add("import", "convert an open-format run into a sample", Import);
  import->add_option("IN", o.input, "IN.mzML or IN.mzXML")->required();
  import->add_option("OUT", o.output, "OUT.ivs")->required();

  CLI::App* exporting = add("export", "write a sample in an open format", Export);
  sample(exporting);
  exporting->add_option("OUT", o.output, "OUT.mzML or OUT.mzXML")->required();

  CLI::App* synth = add("synth", "synthesise a sample and its ground truth", Synth);
  synth->add_option("--seed", o.synth.seed, "the seed; the same seed and options give the same sample")
      ->required()
      ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{1} << 62));
  synth->add_option("--scans", o.synth.ms1Scans, "MS1 scans")->check(CLI::Range(50, 1000000))->capture_default_str();
  AddReal(synth, "--cycle", o.synth.cycleMinutes, "minutes between MS1 scans");
  synth->add_option("--noise-points", o.synth.noisePointsPerScan, "extra noise points per MS1 scan")
      ->check(CLI::Range(10, 5000000))
      ->capture_default_str();
  synth->add_flag_callback("--no-ms2", [&o] { o.synth.ms2 = false; }, "no data-dependent MS2 scans");
  synth->add_option("--truth", o.truth, "where the ground truth goes (default OUT.truth.json)");
  synth->add_option("OUT", o.output, "OUT.ivs")->required();

  sample(add("info", "functions, scans, traces", Info));

  CLI::App* chrom = add("chrom", "the chromatogram as 'scan rt value' lines", Chrom);
  sample(chrom);
  channel(chrom);
  AddFunction(chrom, o);
  AddRanges(chrom, o, "one range A:B");

  CLI::App* peaks = add("peaks", "integrate; one JSON object per peak", Peaks);
  sample(peaks);
  channel(peaks);
  AddFunction(peaks, o);
  AddRanges(peaks, o, "one range A:B");
  peaks->add_option("--ini", o.ini, "integrator settings ([ChrIntegrate] of a host settings file)");

  CLI::App* combine = add("combine", "the combined spectrum as 'mz intensity' lines", Combine);
  sample(combine);
  AddRanges(combine, o, "A:B[,C:D[,E:F]]")->required();
  combining(combine);

  CLI::App* page = add("page", "one printed page, one spectrum per range (at most six)", Page);
  sample(page);
  page->add_option("OUT", o.output, "OUT.pdf")->required();
  AddRanges(page, o, "A:B[,C:D...], one spectrum each")->required();
  combining(page);
  page->add_option("--png", o.png, "the preview (default OUT.png)");
  page->add_option("--title", o.title, "the page's title");
  page->add_option("--dpi", o.dpi, "the preview's resolution")->check(CLI::Range(90, 300))->capture_default_str();

  add("params", "the effective ChrIntegrate parameters", Params)
      ->add_option("--ini", o.ini, "integrator settings ([ChrIntegrate] of a host settings file)");
}

// A parse error as one line: CLI11's messages may hold a line break.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n') c = ' ';
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app("ivtool: the stand-in data engine from the command line, for people and for checks", "ivtool");
  app.footer(
      "Channels: TIC, BPI, 301.1, 301.1~0.02, 301.1+455.2, 300_310, or an analog trace name.\n"
      "Retention times are in minutes; functions and scans count from 1.\n"
      "ivtool COMMAND --help describes a command.");
  app.require_subcommand(1);
  Options o;
  std::map<const CLI::App*, Command> run;
  AddCommands(app, o, run);
  if (argc < 2) {
    std::fputs(app.help().c_str(), stderr);
    return 2;
  }
  try {
    if (argv[1][0] != '-' && app.get_subcommands([&](CLI::App* c) { return c->get_name() == argv[1]; }).empty()) {
      throw UsageError(std::string("unknown command ") + argv[1]);
    }
    try {
      app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
      return app.exit(help);
    } catch (const CLI::ParseError& e) {
      throw UsageError(OneLine(e.what()));
    }
    const CLI::App* command = app.get_subcommands().front();
    return run.at(command)(*command, o);
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
