#include "ivdata/chromatogram.h"

#include <algorithm>
#include <charconv>

#include "ivdata/text.h"

namespace ivdata {

int ResolveAnalogTrace(const Sample& sample, const Channel& channel) {
  if (channel.kind != ChannelKind::Analog) return 0;
  const std::string_view name = TrimSpaces(channel.traceName);
  if (const int byName = sample.FindTrace(name)) return byName;
  // "ANALOG n": the n-th trace
  constexpr std::string_view kPrefix = "ANALOG";
  if (name.size() > kPrefix.size() && EqualsNoCase(name.substr(0, kPrefix.size()), kPrefix)) {
    const std::string_view rest = TrimSpaces(name.substr(kPrefix.size()));
    int n = 0;
    const auto r = std::from_chars(rest.data(), rest.data() + rest.size(), n);
    if (r.ec == std::errc() && r.ptr == rest.data() + rest.size() && n >= 1 && n <= sample.TraceCount()) return n;
  }
  return 0;
}

namespace {

double WindowSum(const Spectrum& s, const MassWindow& w) {
  const auto begin = std::lower_bound(s.mz.begin(), s.mz.end(), w.low);
  const auto end = std::upper_bound(begin, s.mz.end(), w.high);
  double sum = 0;
  for (auto it = begin; it != end; ++it) sum += s.intensity[static_cast<std::size_t>(it - s.mz.begin())];
  return sum;
}

}  // namespace

Chromatogram ExtractChromatogram(const Sample& sample, int function, const Channel& channel, int firstScan,
                                 int lastScan) {
  const int n = sample.Function(function).scanCount;  // throws for an unknown function
  Chromatogram c;
  c.label = ChannelLabel(channel);
  int first = std::max(firstScan, 1);
  int last = (lastScan <= 0 || lastScan > n) ? n : lastScan;
  if (n == 0 || first > last) return c;

  if (channel.kind == ChannelKind::Analog) {
    const int trace = ResolveAnalogTrace(sample, channel);
    if (trace == 0) throw Error("no analog trace \"" + channel.traceName + "\" in " + sample.Path());
    c.analog = true;
    c.label = sample.Trace(trace).name;
    const AnalogTrace t = sample.ReadTrace(trace);
    const double from = sample.Scan(function, first).rt;
    const double to = sample.Scan(function, last).rt;
    for (std::size_t i = 0; i < t.rt.size(); ++i) {
      if (t.rt[i] < from || t.rt[i] > to) continue;
      c.rt.push_back(t.rt[i]);
      c.value.push_back(t.value[i]);
      c.scan.push_back(sample.FractionalScanAtTime(function, t.rt[i]));
    }
    return c;
  }

  const auto count = static_cast<std::size_t>(last - first + 1);
  c.rt.reserve(count);
  c.value.reserve(count);
  c.scan.reserve(count);
  for (int s = first; s <= last; ++s) {
    const ScanInfo& info = sample.Scan(function, s);
    double v = 0;
    switch (channel.kind) {
      case ChannelKind::Tic: v = info.tic; break;
      case ChannelKind::Bpi: v = info.basePeakIntensity; break;
      case ChannelKind::Mass:
      case ChannelKind::MassSum: {
        if (info.points == 0) break;
        const Spectrum spectrum = sample.ReadSpectrum(function, s);
        for (const MassWindow& w : channel.windows) v += WindowSum(spectrum, w);
        break;
      }
      case ChannelKind::Analog: break;
    }
    c.rt.push_back(info.rt);
    c.value.push_back(v);
    c.scan.push_back(s);
  }
  return c;
}

}  // namespace ivdata
