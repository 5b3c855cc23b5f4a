// The "ChrIntegrate" parameter set: settings-file keys, and the bytes of the host's parameter block.
#include <charconv>
#include <cmath>
#include <cstring>

#include "file_io.h"
#include "ivdata/ini.h"
#include "ivdata/integrator.h"
#include "ivdata/text.h"

namespace ivdata {

namespace {

bool WholeNumber(std::string_view text, long long& value) {
  const std::string_view t = TrimBlanks(text);
  const char* begin = t.data();
  if (!t.empty() && t.front() == '+') ++begin;
  const auto r = std::from_chars(begin, t.data() + t.size(), value);
  return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size();
}

bool RealNumber(std::string_view text, double& value) {
  const std::string_view t = TrimBlanks(text);
  const char* begin = t.data();
  if (!t.empty() && t.front() == '+') ++begin;
  const auto r = std::from_chars(begin, t.data() + t.size(), value);
  return !t.empty() && r.ec == std::errc() && r.ptr == t.data() + t.size() && std::isfinite(value);
}

const char* SmoothName(SmoothMethod m) {
  switch (m) {
    case SmoothMethod::None: return "None";
    case SmoothMethod::Mean: return "Mean";
    case SmoothMethod::SavitzkyGolay: return "SavitzkyGolay";
  }
  return "SavitzkyGolay";
}

const char* BaselineName(BaselineMode b) { return b == BaselineMode::Zero ? "Zero" : "BaseToBase"; }

class SettingsReader {
 public:
  SettingsReader(const IniFile& ini, std::string_view section, std::vector<std::string>* warnings)
      : ini_(ini), section_(section), warnings_(warnings) {}

  void Int(const char* key, int& target, long long low, long long high) {
    const auto text = ini_.Get(section_, key);
    if (!text) return;
    long long v = 0;
    if (WholeNumber(*text, v) && v >= low && v <= high) {
      target = static_cast<int>(v);
    } else {
      Warn(key, *text, "a whole number from " + std::to_string(low) + " to " + std::to_string(high),
           std::to_string(target));
    }
  }

  void Real(const char* key, double& target, double low, double high) {
    const auto text = ini_.Get(section_, key);
    if (!text) return;
    double v = 0;
    if (RealNumber(*text, v) && v >= low && v <= high) {
      target = v;
    } else {
      Warn(key, *text, "a number from " + NumberText(low) + " to " + NumberText(high),
           NumberText(target));
    }
  }

  template <typename E>
  void Choice(const char* key, E& target, std::initializer_list<std::pair<const char*, E>> names,
              const char* current) {
    const auto text = ini_.Get(section_, key);
    if (!text) return;
    std::string allowed;
    for (const auto& [name, value] : names) {
      if (EqualsNoCase(TrimBlanks(*text), name)) {
        target = value;
        return;
      }
      allowed += allowed.empty() ? name : std::string(", ") + name;
    }
    Warn(key, *text, "one of " + allowed, current);
  }

 private:
  void Warn(const char* key, const std::string& text, const std::string& expected, const std::string& fallback) {
    if (warnings_) {
      warnings_->push_back(std::string(section_) + ": " + key + "=" + text + " is not " + expected + "; using " + fallback);
    }
  }

  const IniFile& ini_;
  std::string_view section_;
  std::vector<std::string>* warnings_;
};

constexpr char kTag[4] = {'I', 'V', 'I', 'P'};

}  // namespace

IntegratorSettings ReadIntegratorSettings(const std::string& iniPath, std::string_view section,
                                          std::vector<std::string>* warnings) {
  const IniFile ini = IniFile::Load(iniPath);
  IntegratorSettings s;
  SettingsReader r(ini, section, warnings);
  r.Choice("SmoothMethod", s.smoothMethod,
           {{"None", SmoothMethod::None}, {"Mean", SmoothMethod::Mean}, {"SavitzkyGolay", SmoothMethod::SavitzkyGolay}},
           SmoothName(s.smoothMethod));
  r.Int("SmoothWidth", s.smoothWidth, 1, 99);
  if (s.smoothWidth % 2 == 0) ++s.smoothWidth;
  r.Real("MinSignalToNoise", s.minSignalToNoise, 0, 1e9);
  r.Real("MinHeight", s.minHeight, 0, 1e300);
  r.Real("MinRelativeHeight", s.minRelativeHeight, 0, 100);
  r.Int("MinWidth", s.minWidth, 1, 10000);
  r.Choice("Baseline", s.baseline, {{"BaseToBase", BaselineMode::BaseToBase}, {"Zero", BaselineMode::Zero}},
           BaselineName(s.baseline));
  r.Int("MaxPeaks", s.maxPeaks, 0, 1000000);
  return s;
}

void WriteIntegratorSettings(const std::string& iniPath, const IntegratorSettings& settings, std::string_view section) {
  IniFile ini = IniFile::Load(iniPath);
  ini.Set(section, "SmoothMethod", SmoothName(settings.smoothMethod));
  ini.Set(section, "SmoothWidth", std::to_string(settings.smoothWidth));
  ini.Set(section, "MinSignalToNoise", NumberText(settings.minSignalToNoise));
  ini.Set(section, "MinHeight", NumberText(settings.minHeight));
  ini.Set(section, "MinRelativeHeight", NumberText(settings.minRelativeHeight));
  ini.Set(section, "MinWidth", std::to_string(settings.minWidth));
  ini.Set(section, "Baseline", BaselineName(settings.baseline));
  ini.Set(section, "MaxPeaks", std::to_string(settings.maxPeaks));
  ini.Save(iniPath);
}

void EncodeIntegratorSettings(const IntegratorSettings& s, std::span<std::uint8_t> block) {
  if (block.size() < kEncodedSettingsSize) throw Error("parameter block smaller than 64 bytes");
  detail::Packer p;
  p.Raw(kTag, 4);
  p.U32(1);
  p.U32(static_cast<std::uint32_t>(s.smoothMethod));
  p.U32(static_cast<std::uint32_t>(s.smoothWidth));
  p.F64(s.minSignalToNoise);
  p.F64(s.minHeight);
  p.F64(s.minRelativeHeight);
  p.U32(static_cast<std::uint32_t>(s.minWidth));
  p.U32(static_cast<std::uint32_t>(s.baseline));
  p.U32(static_cast<std::uint32_t>(s.maxPeaks));
  p.Zeros(kEncodedSettingsSize - p.Bytes().size());
  std::memcpy(block.data(), p.Bytes().data(), kEncodedSettingsSize);
}

bool DecodeIntegratorSettings(std::span<const std::uint8_t> block, IntegratorSettings& settings) {
  settings = IntegratorSettings();
  if (block.size() < kEncodedSettingsSize || std::memcmp(block.data(), kTag, 4) != 0) return false;
  detail::Unpacker in(block.data() + 4, kEncodedSettingsSize - 4, "the parameter block");
  if (in.U32() != 1) return false;
  const IntegratorSettings defaults;
  IntegratorSettings s;
  const std::uint32_t method = in.U32();
  const std::uint32_t width = in.U32();
  const double sn = in.F64();
  const double height = in.F64();
  const double relative = in.F64();
  const std::uint32_t minWidth = in.U32();
  const std::uint32_t baseline = in.U32();
  const std::uint32_t maxPeaks = in.U32();
  // Fields out of range (a damaged block) fall back one by one, as absent settings keys do.
  s.smoothMethod = method <= 2 ? static_cast<SmoothMethod>(method) : defaults.smoothMethod;
  s.smoothWidth = (width >= 1 && width <= 99) ? static_cast<int>(width | 1u) : defaults.smoothWidth;
  s.minSignalToNoise = (std::isfinite(sn) && sn >= 0) ? sn : defaults.minSignalToNoise;
  s.minHeight = (std::isfinite(height) && height >= 0) ? height : defaults.minHeight;
  s.minRelativeHeight = (std::isfinite(relative) && relative >= 0 && relative <= 100) ? relative : defaults.minRelativeHeight;
  s.minWidth = (minWidth >= 1 && minWidth <= 10000) ? static_cast<int>(minWidth) : defaults.minWidth;
  s.baseline = baseline <= 1 ? static_cast<BaselineMode>(baseline) : defaults.baseline;
  s.maxPeaks = maxPeaks <= 1000000 ? static_cast<int>(maxPeaks) : defaults.maxPeaks;
  settings = s;
  return true;
}

}  // namespace ivdata
