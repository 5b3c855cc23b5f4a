#include "ivdata/sample.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>
#include <numeric>
#include <utility>

#include "file_io.h"
#include "ivdata/text.h"

namespace ivdata {

using detail::File;
using detail::Packer;
using detail::Unpacker;

namespace {

constexpr char kMagic[8] = {'I', 'V', 'S', 'A', 'M', 'P', 'L', 'E'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kHeaderSize = 64;
constexpr std::uint32_t kScanEntrySize = 64;
constexpr std::uint64_t kMaxIndexSize = 1ull << 30;
constexpr std::uint32_t kMaxFunctions = 1000;
constexpr std::uint32_t kMaxTraces = 1000;
constexpr std::uint64_t kPointBytes = 12;  // f64 m/z + f32 intensity, and f64 time + f32 value

#ifdef IVDATA_FUZZING
constexpr bool kCheckCrc = false;  // lets the fuzzer reach the checks behind the CRCs
#else
constexpr bool kCheckCrc = true;
#endif

struct Header {
  std::uint64_t indexOffset = 0;
  std::uint64_t indexSize = 0;
  std::uint32_t indexCrc = 0;
  std::uint64_t fileSize = 0;
};

std::string PackHeader(const Header& h) {
  Packer p;
  p.Raw(kMagic, sizeof kMagic);
  p.U32(kVersion);
  p.U32(kHeaderSize);
  p.U64(h.indexOffset);
  p.U64(h.indexSize);
  p.U32(h.indexCrc);
  p.U32(0);
  p.U64(h.fileSize);
  p.Zeros(kHeaderSize - p.Bytes().size());
  return p.Bytes();
}

bool ValidTraceName(std::string_view name) {
  if (name.empty() || name.size() > 63 || !IsAsciiLetter(name.front())) return false;
  for (char c : name) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return name.back() != ' ' && !EqualsNoCase(name, "TIC") && !EqualsNoCase(name, "BPI");
}

struct ScanPlace {
  std::uint64_t offset = 0;
  std::uint32_t crc = 0;
};

struct FunctionData {
  FunctionInfo info;
  std::vector<ScanInfo> scans;
  std::vector<ScanPlace> places;
};

struct TraceData {
  TraceInfo info;
  ScanPlace place;
};

// Point count of one array read into memory; on 32-bit hosts a huge one must not wrap the byte count.
std::size_t ArrayPoints(std::uint32_t points) {
  if (std::uint64_t{points} * kPointBytes > std::numeric_limits<std::size_t>::max() / 2) {
    throw Error("a scan of " + std::to_string(points) + " points is too large to read on this platform");
  }
  return points;
}

void CheckFinite(double v, const char* what) {
  if (!std::isfinite(v)) throw Error(std::string("corrupt sample: ") + what + " is not a finite number");
}

}  // namespace

struct Sample::Impl {
  std::string path;
  File file;
  std::uint64_t size = 0;
  std::uint64_t dataEnd = 0;
  SampleInfo info;
  std::vector<FunctionData> functions;
  std::vector<TraceData> traces;

  const FunctionData& Fn(int function) const {
    if (function < 1 || function > static_cast<int>(functions.size())) {
      throw Error("no function " + std::to_string(function) + " in " + path + " (it has " +
                  std::to_string(functions.size()) + ")");
    }
    return functions[static_cast<std::size_t>(function - 1)];
  }

  void CheckPlace(std::uint64_t offset, std::uint64_t points, const char* what) const {
    if (offset < kHeaderSize || offset > dataEnd || points > (dataEnd - offset) / kPointBytes) {
      throw Error(std::string("corrupt sample: ") + what + " lies outside the data area");
    }
  }

  void ParseIndex(const std::string& bytes);
};

void Sample::Impl::ParseIndex(const std::string& bytes) {
  Unpacker in(bytes.data(), bytes.size(), "the index");
  char tag[4];
  in.Raw(tag, 4);
  if (std::string_view(tag, 4) != "IDX1") throw Error("corrupt sample: index tag missing");
  info.name = in.Str();
  info.description = in.Str();
  info.source = in.Str();
  info.created = in.Str();
  const std::uint32_t functionCount = in.U32();
  const std::uint32_t traceCount = in.U32();
  if (functionCount > kMaxFunctions) throw Error("corrupt sample: implausible function count");
  if (traceCount > kMaxTraces) throw Error("corrupt sample: implausible trace count");
  functions.resize(functionCount);
  for (auto& fn : functions) {
    const std::uint32_t level = in.U32();
    if (level > 100) throw Error("corrupt sample: implausible MS level");
    fn.info.msLevel = static_cast<int>(level);
    fn.info.description = in.Str();
    const std::uint32_t scans = in.U32();
    if (scans > static_cast<std::uint32_t>(std::numeric_limits<int>::max()) ||
        scans > in.Remaining() / kScanEntrySize) {
      throw Error("corrupt sample: scan count larger than the index");
    }
    fn.info.scanCount = static_cast<int>(scans);
    fn.scans.resize(scans);
    fn.places.resize(scans);
    double lastRt = -std::numeric_limits<double>::infinity();
    for (std::uint32_t i = 0; i < scans; ++i) {
      ScanInfo& s = fn.scans[i];
      ScanPlace& place = fn.places[i];
      s.rt = in.F64();
      s.tic = in.F64();
      s.basePeakMz = in.F64();
      s.precursorMz = in.F64();
      s.basePeakIntensity = in.F32();
      s.points = in.U32();
      place.offset = in.U64();
      const std::uint32_t flags = in.U32();
      place.crc = in.U32();
      in.Skip(8);
      CheckFinite(s.rt, "a scan time");
      CheckFinite(s.tic, "a scan's total ion current");
      CheckFinite(s.basePeakMz, "a base peak m/z");
      CheckFinite(s.precursorMz, "a precursor m/z");
      CheckFinite(s.basePeakIntensity, "a base peak intensity");
      if (s.rt < lastRt) throw Error("corrupt sample: scan times go backwards");
      lastRt = s.rt;
      s.centroided = (flags & 1u) != 0;
      CheckPlace(place.offset, s.points, "a scan's arrays");
    }
  }
  traces.resize(traceCount);
  for (std::size_t t = 0; t < traces.size(); ++t) {
    TraceData& tr = traces[t];
    tr.info.name = in.Str();
    tr.info.unit = in.Str();
    const std::uint32_t type = in.U32();
    tr.info.type = type <= 3 ? static_cast<TraceType>(type) : TraceType::Other;
    tr.info.points = in.U32();
    tr.place.offset = in.U64();
    tr.place.crc = in.U32();
    if (!ValidTraceName(tr.info.name)) throw Error("corrupt sample: invalid trace name");
    for (std::size_t u = 0; u < t; ++u) {
      if (EqualsNoCase(traces[u].info.name, tr.info.name)) {
        throw Error("corrupt sample: two traces named " + tr.info.name);
      }
    }
    CheckPlace(tr.place.offset, tr.info.points, "a trace's arrays");
  }
}

Sample::Sample(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Sample::Sample(Sample&&) noexcept = default;
Sample& Sample::operator=(Sample&&) noexcept = default;
Sample::~Sample() = default;

Sample Sample::Open(const std::string& path) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  impl->file = File(path, File::Mode::Read);
  impl->size = impl->file.Size();
  if (impl->size < kHeaderSize) throw Error(path + ": not a sample file (too short)");
  unsigned char raw[kHeaderSize];
  impl->file.ReadAt(0, raw, kHeaderSize, "the header");
  Unpacker in(raw, kHeaderSize, "the header");
  char magic[8];
  in.Raw(magic, 8);
  if (!std::equal(magic, magic + 8, kMagic)) throw Error(path + ": not a sample file");
  const std::uint32_t version = in.U32();
  if (version != kVersion) throw Error(path + ": sample format version " + std::to_string(version) + " is not supported");
  if (in.U32() != kHeaderSize) throw Error(path + ": corrupt sample header");
  Header h;
  h.indexOffset = in.U64();
  h.indexSize = in.U64();
  h.indexCrc = in.U32();
  in.U32();
  h.fileSize = in.U64();
  if (h.fileSize == 0) throw Error(path + ": incomplete sample (its writing never finished)");
  if (impl->size < h.fileSize) {
    throw Error(path + ": truncated (" + std::to_string(impl->size) + " of " + std::to_string(h.fileSize) + " bytes)");
  }
  if (impl->size != h.fileSize) throw Error(path + ": corrupt sample (size does not match its header)");
  if (h.indexOffset < kHeaderSize || h.indexOffset > impl->size || h.indexSize > impl->size - h.indexOffset) {
    throw Error(path + ": corrupt sample (index outside the file)");
  }
  if (h.indexSize > kMaxIndexSize) throw Error(path + ": corrupt sample (index too large)");
  impl->dataEnd = h.indexOffset;
  std::string index(static_cast<std::size_t>(h.indexSize), '\0');
  impl->file.ReadAt(h.indexOffset, index.data(), index.size(), "the index");
  if (kCheckCrc && detail::Crc32(index.data(), index.size()) != h.indexCrc) {
    throw Error(path + ": corrupt sample (index checksum does not match)");
  }
  try {
    impl->ParseIndex(index);
  } catch (const Error& e) {
    throw Error(path + ": " + e.what());
  }
  return Sample(std::move(impl));
}

const std::string& Sample::Path() const { return impl_->path; }
const SampleInfo& Sample::Info() const { return impl_->info; }
std::uint64_t Sample::FileSize() const { return impl_->size; }
int Sample::FunctionCount() const { return static_cast<int>(impl_->functions.size()); }
const FunctionInfo& Sample::Function(int function) const { return impl_->Fn(function).info; }

int Sample::ScanCount(int function) const {
  if (function < 1 || function > FunctionCount()) return 0;
  return impl_->functions[static_cast<std::size_t>(function - 1)].info.scanCount;
}

const ScanInfo& Sample::Scan(int function, int scan) const {
  const FunctionData& fn = impl_->Fn(function);
  if (scan < 1 || scan > fn.info.scanCount) {
    throw Error("no scan " + std::to_string(scan) + " in function " + std::to_string(function) +
                " (it has " + std::to_string(fn.info.scanCount) + ")");
  }
  return fn.scans[static_cast<std::size_t>(scan - 1)];
}

int Sample::ScanAtTime(int function, double minutes) const {
  const int n = ScanCount(function);
  if (n == 0 || !std::isfinite(minutes)) return 0;
  const auto& scans = impl_->functions[static_cast<std::size_t>(function - 1)].scans;
  const auto it = std::lower_bound(scans.begin(), scans.end(), minutes,
                                   [](const ScanInfo& s, double t) { return s.rt < t; });
  if (it == scans.begin()) return 1;
  if (it == scans.end()) return n;
  const auto after = static_cast<int>(it - scans.begin());  // 0-based index of the later scan
  return (it->rt - minutes < minutes - (it - 1)->rt) ? after + 1 : after;
}

double Sample::FractionalScanAtTime(int function, double minutes) const {
  const int n = ScanCount(function);
  if (n == 0 || !std::isfinite(minutes)) return 0;
  const auto& scans = impl_->functions[static_cast<std::size_t>(function - 1)].scans;
  if (minutes <= scans.front().rt) return 1;
  if (minutes >= scans.back().rt) return n;
  const auto it = std::upper_bound(scans.begin(), scans.end(), minutes,
                                   [](double t, const ScanInfo& s) { return t < s.rt; });
  const auto later = static_cast<std::size_t>(it - scans.begin());
  const double t0 = scans[later - 1].rt;
  const double t1 = scans[later].rt;
  const double frac = t1 > t0 ? (minutes - t0) / (t1 - t0) : 0.0;
  return static_cast<double>(later) + frac;
}

Spectrum Sample::ReadSpectrum(int function, int scan) const {
  const ScanInfo& info = Scan(function, scan);
  const ScanPlace& place = impl_->functions[static_cast<std::size_t>(function - 1)].places[static_cast<std::size_t>(scan - 1)];
  const std::size_t n = ArrayPoints(info.points);
  std::vector<unsigned char> raw(n * kPointBytes);
  impl_->file.ReadAt(place.offset, raw.data(), raw.size(), "a scan's arrays");
  if (kCheckCrc && detail::Crc32(raw.data(), raw.size()) != place.crc) {
    throw Error(impl_->path + ": corrupt sample (scan " + std::to_string(scan) + " of function " +
                std::to_string(function) + " fails its checksum)");
  }
  Spectrum s;
  s.centroided = info.centroided;
  s.mz.resize(n);
  s.intensity.resize(n);
  if (n > 0) std::memcpy(s.mz.data(), raw.data(), n * 8);
  const unsigned char* in = raw.data() + n * 8;
  double last = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    float v;
    std::memcpy(&v, in + i * 4, 4);
    s.intensity[i] = v;
    const double mz = s.mz[i];
    if (!std::isfinite(mz) || !std::isfinite(v) || mz < last) {
      throw Error(impl_->path + ": corrupt sample (scan " + std::to_string(scan) + " of function " +
                  std::to_string(function) + " holds invalid values)");
    }
    last = mz;
  }
  return s;
}

int Sample::TraceCount() const { return static_cast<int>(impl_->traces.size()); }

const TraceInfo& Sample::Trace(int trace) const {
  if (trace < 1 || trace > TraceCount()) {
    throw Error("no analog trace " + std::to_string(trace) + " in " + impl_->path);
  }
  return impl_->traces[static_cast<std::size_t>(trace - 1)].info;
}

int Sample::FindTrace(std::string_view name) const {
  for (std::size_t i = 0; i < impl_->traces.size(); ++i) {
    if (EqualsNoCase(impl_->traces[i].info.name, name)) return static_cast<int>(i + 1);
  }
  return 0;
}

AnalogTrace Sample::ReadTrace(int trace) const {
  const TraceInfo& info = Trace(trace);
  const ScanPlace& place = impl_->traces[static_cast<std::size_t>(trace - 1)].place;
  const std::size_t n = ArrayPoints(info.points);
  std::vector<unsigned char> raw(n * kPointBytes);
  impl_->file.ReadAt(place.offset, raw.data(), raw.size(), "a trace's arrays");
  if (kCheckCrc && detail::Crc32(raw.data(), raw.size()) != place.crc) {
    throw Error(impl_->path + ": corrupt sample (trace " + info.name + " fails its checksum)");
  }
  AnalogTrace t;
  t.rt.resize(n);
  t.value.resize(n);
  if (n > 0) std::memcpy(t.rt.data(), raw.data(), n * 8);
  double last = -std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < n; ++i) {
    float v;
    std::memcpy(&v, raw.data() + n * 8 + i * 4, 4);
    t.value[i] = v;
    if (!std::isfinite(t.rt[i]) || !std::isfinite(v) || t.rt[i] < last) {
      throw Error(impl_->path + ": corrupt sample (trace " + info.name + " holds invalid values)");
    }
    last = t.rt[i];
  }
  return t;
}

// ---- writing

struct SampleWriter::Impl {
  explicit Impl(const std::string& p) : out(p) {}
  detail::AtomicFile out;
  SampleInfo info;
  std::vector<FunctionData> functions;
  std::vector<TraceData> traces;
  bool finished = false;

  void WriteArrays(std::span<const double> first, std::span<const float> second, ScanPlace& place) {
    place.offset = out.Out().Position();
    const std::uint32_t crc1 = detail::Crc32(first.data(), first.size_bytes());
    out.Out().Write(first.data(), first.size_bytes());
    place.crc = detail::Crc32(second.data(), second.size_bytes(), crc1);
    out.Out().Write(second.data(), second.size_bytes());
  }
};

SampleWriter::SampleWriter(const std::string& path, SampleInfo info) : impl_(std::make_unique<Impl>(path)) {
  if (info.created.empty()) {
    const std::time_t now = std::time(nullptr);
    char buffer[32];
    if (std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now)) > 0) info.created = buffer;
  }
  impl_->info = std::move(info);
  const std::string zeros(kHeaderSize, '\0');
  impl_->out.Out().Write(zeros.data(), zeros.size());
}

SampleWriter::~SampleWriter() = default;

int SampleWriter::AddFunction(int msLevel, std::string description) {
  if (impl_->finished) throw Error("sample already finished");
  if (msLevel < 0 || msLevel > 100) throw Error("MS level " + std::to_string(msLevel) + " out of range");
  if (impl_->functions.size() >= kMaxFunctions) throw Error("too many functions");
  if (description.size() > 255) description.resize(255);
  FunctionData fn;
  fn.info.msLevel = msLevel;
  fn.info.description = std::move(description);
  impl_->functions.push_back(std::move(fn));
  return static_cast<int>(impl_->functions.size());
}

void SampleWriter::AddScan(int function, double rtMinutes, std::span<const double> mz,
                           std::span<const double> intensity, bool centroided, double precursorMz) {
  if (impl_->finished) throw Error("sample already finished");
  if (function < 1 || function > static_cast<int>(impl_->functions.size())) {
    throw Error("no function " + std::to_string(function) + " to add a scan to");
  }
  FunctionData& fn = impl_->functions[static_cast<std::size_t>(function - 1)];
  if (mz.size() != intensity.size()) throw Error("m/z and intensity arrays differ in length");
  if (mz.size() > std::numeric_limits<std::uint32_t>::max() / 2) throw Error("scan too large");
  if (!std::isfinite(rtMinutes)) throw Error("scan time is not a finite number");
  if (!std::isfinite(precursorMz)) throw Error("precursor m/z is not a finite number");
  if (!fn.scans.empty() && rtMinutes < fn.scans.back().rt) {
    throw Error("scan times of function " + std::to_string(function) + " go backwards");
  }
  if (fn.scans.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max())) throw Error("too many scans");

  std::vector<std::size_t> order(mz.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  if (!std::is_sorted(mz.begin(), mz.end())) {
    for (double v : mz) {
      if (!std::isfinite(v)) throw Error("an m/z value is not a finite number");
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return mz[a] < mz[b]; });
  }
  std::vector<double> sortedMz(mz.size());
  std::vector<float> sortedIntensity(mz.size());
  ScanInfo s;
  s.rt = rtMinutes;
  s.centroided = centroided;
  s.precursorMz = precursorMz;
  s.points = static_cast<std::uint32_t>(mz.size());
  float best = -std::numeric_limits<float>::infinity();
  for (std::size_t i = 0; i < order.size(); ++i) {
    const double m = mz[order[i]];
    const double v = intensity[order[i]];
    if (!std::isfinite(m)) throw Error("an m/z value is not a finite number");
    const auto f = static_cast<float>(v);
    if (!std::isfinite(v) || !std::isfinite(f)) throw Error("an intensity is not a finite single-precision number");
    sortedMz[i] = m;
    sortedIntensity[i] = f;
    s.tic += f;
    if (f > best) {
      best = f;
      s.basePeakMz = m;
      s.basePeakIntensity = f;
    }
  }
  ScanPlace place;
  impl_->WriteArrays(sortedMz, sortedIntensity, place);
  fn.scans.push_back(s);
  fn.places.push_back(place);
  fn.info.scanCount = static_cast<int>(fn.scans.size());
}

void SampleWriter::AddTrace(TraceInfo info, std::span<const double> rtMinutes, std::span<const double> values) {
  if (impl_->finished) throw Error("sample already finished");
  if (!ValidTraceName(info.name)) throw Error("invalid trace name \"" + info.name + "\"");
  for (const auto& t : impl_->traces) {
    if (EqualsNoCase(t.info.name, info.name)) throw Error("two traces named " + info.name);
  }
  if (impl_->traces.size() >= kMaxTraces) throw Error("too many traces");
  if (rtMinutes.size() != values.size()) throw Error("trace times and values differ in length");
  if (rtMinutes.size() > std::numeric_limits<std::uint32_t>::max() / 2) throw Error("trace too large");
  if (info.unit.size() > 63) info.unit.resize(63);
  std::vector<float> v(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (!std::isfinite(rtMinutes[i])) throw Error("a trace time is not a finite number");
    if (i > 0 && rtMinutes[i] < rtMinutes[i - 1]) throw Error("trace " + info.name + ": times go backwards");
    v[i] = static_cast<float>(values[i]);
    if (!std::isfinite(values[i]) || !std::isfinite(v[i])) throw Error("a trace value is not a finite number");
  }
  TraceData t;
  info.points = static_cast<std::uint32_t>(values.size());
  t.info = std::move(info);
  impl_->WriteArrays(rtMinutes, v, t.place);
  impl_->traces.push_back(std::move(t));
}

void SampleWriter::Finish() {
  if (impl_->finished) throw Error("sample already finished");
  Packer p;
  p.Raw("IDX1", 4);
  p.Str(impl_->info.name.substr(0, 1024));
  p.Str(impl_->info.description.substr(0, 4096));
  p.Str(impl_->info.source.substr(0, 4096));
  p.Str(impl_->info.created.substr(0, 64));
  p.U32(static_cast<std::uint32_t>(impl_->functions.size()));
  p.U32(static_cast<std::uint32_t>(impl_->traces.size()));
  for (const auto& fn : impl_->functions) {
    p.U32(static_cast<std::uint32_t>(fn.info.msLevel));
    p.Str(fn.info.description);
    p.U32(static_cast<std::uint32_t>(fn.scans.size()));
    for (std::size_t i = 0; i < fn.scans.size(); ++i) {
      const ScanInfo& s = fn.scans[i];
      p.F64(s.rt);
      p.F64(s.tic);
      p.F64(s.basePeakMz);
      p.F64(s.precursorMz);
      p.F32(s.basePeakIntensity);
      p.U32(s.points);
      p.U64(fn.places[i].offset);
      p.U32(s.centroided ? 1u : 0u);
      p.U32(fn.places[i].crc);
      p.Zeros(8);
    }
  }
  for (const auto& t : impl_->traces) {
    p.Str(t.info.name);
    p.Str(t.info.unit);
    p.U32(static_cast<std::uint32_t>(t.info.type));
    p.U32(t.info.points);
    p.U64(t.place.offset);
    p.U32(t.place.crc);
  }
  if (p.Bytes().size() > kMaxIndexSize) throw Error("sample index too large");
  File& out = impl_->out.Out();
  Header h;
  h.indexOffset = out.Position();
  h.indexSize = p.Bytes().size();
  h.indexCrc = detail::Crc32(p.Bytes().data(), p.Bytes().size());
  out.Write(p.Bytes().data(), p.Bytes().size());
  h.fileSize = out.Position();
  const std::string header = PackHeader(h);
  out.WriteAt(0, header.data(), header.size());
  impl_->out.Commit();
  impl_->finished = true;
}

std::string TraceNameFrom(std::string_view text) {
  std::string name;
  for (char c : TrimBlanks(text)) name += (c >= 0x20 && c <= 0x7E) ? c : '_';
  if (name.empty() || !IsAsciiLetter(name.front()) || EqualsNoCase(name, "TIC") ||
      EqualsNoCase(name, "BPI")) {
    name = "Trace " + name;
  }
  if (name.size() > 63) name.resize(63);
  while (name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace ivdata
