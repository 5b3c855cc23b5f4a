#include "open_format.h"

#include <pwiz/data/common/cv.hpp>
#include <pwiz/data/msdata/MSDataFile.hpp>
#include <boost/make_shared.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

#include "ivdata/sample.h"

namespace ivtool {

using namespace pwiz::msdata;
using pwiz::cv::CVID;

namespace {

std::string FirstLine(const std::string& text) {
  const std::string line = text.substr(0, text.find('\n'));
  return line.size() > 300 ? line.substr(0, 300) + "..." : line;
}

double ScanTimeMinutes(const Spectrum& s, bool& ok) {
  ok = false;
  if (s.scanList.scans.empty()) return 0;
  const CVParam p = s.scanList.scans.front().cvParam(pwiz::cv::MS_scan_start_time);
  if (p.empty()) return 0;
  const double seconds = p.timeInSeconds();
  ok = std::isfinite(seconds);
  return seconds / 60;
}

double PrecursorMz(const Spectrum& s) {
  if (s.precursors.empty()) return 0;
  const Precursor& p = s.precursors.front();
  if (!p.selectedIons.empty()) {
    const CVParam mz = p.selectedIons.front().cvParam(pwiz::cv::MS_selected_ion_m_z);
    if (!mz.empty()) return mz.valueAs<double>();
  }
  const CVParam target = p.isolationWindow.cvParam(pwiz::cv::MS_isolation_window_target_m_z);
  return target.empty() ? 0 : target.valueAs<double>();
}

// Non-MS chromatogram types become analog traces; mass chromatograms are derived by the sample itself.
bool AnalogType(CVID type, ivdata::TraceType& traceType) {
  using namespace pwiz::cv;
  if (type == MS_absorption_chromatogram) traceType = ivdata::TraceType::Absorbance;
  else if (type == MS_pressure_chromatogram) traceType = ivdata::TraceType::Pressure;
  else if (type == MS_flow_rate_chromatogram) traceType = ivdata::TraceType::Other;
  else if (cvIsA(type, MS_electromagnetic_radiation_chromatogram)) traceType = ivdata::TraceType::Radiation;
  else return false;
  return true;
}

}  // namespace

ImportReport ImportOpenFormat(const std::string& input, const std::string& samplePath) {
  if (!std::ifstream(input, std::ios::binary)) throw ivdata::Error("cannot open " + input);
  std::unique_ptr<MSDataFile> msd;
  try {
    msd = std::make_unique<MSDataFile>(input);
  } catch (const std::exception& e) {
    throw ivdata::Error("cannot read " + input + " as mzML or mzXML: " + FirstLine(e.what()));
  }
  ImportReport report;
  ivdata::SampleInfo info;
  info.name = msd->run.id.empty() ? msd->id : msd->run.id;
  if (info.name.empty()) {
    info.name = input.substr(input.find_last_of("/\\") + 1);
  }
  info.source = input;
  info.description = "imported from " + input.substr(input.find_last_of("/\\") + 1);
  ivdata::SampleWriter writer(samplePath, info);
  int functions = 0;

  try {
    if (SpectrumListPtr sl = msd->run.spectrumListPtr) {
      for (std::size_t i = 0; i < sl->size(); ++i) {
        SpectrumPtr s = sl->spectrum(i, true);
        const int level = s->cvParam(pwiz::cv::MS_ms_level).empty() ? 0 : s->cvParam(pwiz::cv::MS_ms_level).valueAs<int>();
        bool timeOk = false;
        const double rt = ScanTimeMinutes(*s, timeOk);
        if (level < 1 || level > 100 || !timeOk) {
          ++report.skippedSpectra;
          continue;
        }
        while (functions < level) {
          ++functions;
          writer.AddFunction(functions, "MS" + std::to_string(functions));
          report.functions.push_back({functions, 0});
        }
        std::vector<double> mz, intensity;
        BinaryDataArrayPtr mzArray = s->getMZArray();
        BinaryDataArrayPtr inArray = s->getIntensityArray();
        if (mzArray && inArray) {
          mz.assign(mzArray->data.begin(), mzArray->data.end());
          intensity.assign(inArray->data.begin(), inArray->data.end());
        }
        if (mz.size() != intensity.size()) {
          throw ivdata::Error("spectrum " + s->id + " has m/z and intensity arrays of different lengths");
        }
        const bool centroided = !s->hasCVParam(pwiz::cv::MS_profile_spectrum);
        try {
          writer.AddScan(level, rt, mz, intensity, centroided, level > 1 ? PrecursorMz(*s) : 0.0);
        } catch (const ivdata::Error& e) {
          throw ivdata::Error("spectrum " + s->id + ": " + e.what());
        }
        ++report.functions[static_cast<std::size_t>(level - 1)].scans;
      }
    }
    if (ChromatogramListPtr cl = msd->run.chromatogramListPtr) {
      for (std::size_t i = 0; i < cl->size(); ++i) {
        ChromatogramPtr c = cl->chromatogram(i, true);
        ivdata::TraceType type;
        if (!AnalogType(c->cvParamChild(pwiz::cv::MS_chromatogram_type).cvid, type)) {
          ++report.skippedChromatograms;
          continue;
        }
        BinaryDataArrayPtr times = c->getTimeArray();
        BinaryDataArrayPtr values;
        for (const auto& a : c->binaryDataArrayPtrs) {
          if (a && a != times) {
            values = a;
            break;
          }
        }
        if (!times || !values || times->data.size() != values->data.size()) {
          report.warnings.push_back("chromatogram " + c->id + " has no usable time and value arrays; skipped");
          ++report.skippedChromatograms;
          continue;
        }
        const CVParam timeParam = times->cvParam(pwiz::cv::MS_time_array);
        const double toMinutes = timeParam.units == pwiz::cv::UO_minute ? 1.0 : (timeParam.units == pwiz::cv::UO_hour ? 60.0 : 1.0 / 60);
        std::vector<double> t(times->data.begin(), times->data.end());
        for (double& v : t) v *= toMinutes;
        std::vector<double> v(values->data.begin(), values->data.end());
        ivdata::TraceInfo trace;
        trace.type = type;
        const UserParam unit = c->userParam("trace unit");
        if (!unit.empty()) {
          trace.unit = unit.value;
        } else {
          for (const CVParam& p : values->cvParams) {
            if (p.units != pwiz::cv::CVID_Unknown) trace.unit = pwiz::cv::cvTermInfo(p.units).name;
          }
        }
        // Names must be unique in the sample: number repeats.
        auto taken = [&report](const std::string& name) {
          return std::any_of(report.traces.begin(), report.traces.end(), [&name](const std::string& n) {
            return std::equal(n.begin(), n.end(), name.begin(), name.end(), [](char a, char b) {
              return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            });
          });
        };
        const std::string base = ivdata::TraceNameFrom(c->id);
        trace.name = base;
        for (int k = 2; taken(trace.name); ++k) trace.name = ivdata::TraceNameFrom(base.substr(0, 56) + " " + std::to_string(k));
        try {
          writer.AddTrace(trace, t, v);
        } catch (const ivdata::Error& e) {
          throw ivdata::Error("chromatogram " + c->id + ": " + e.what());
        }
        report.traces.push_back(trace.name);
      }
    }
  } catch (const ivdata::Error&) {
    throw;
  } catch (const std::exception& e) {
    throw ivdata::Error("cannot read " + input + ": " + FirstLine(e.what()));
  }
  if (functions == 0 && report.traces.empty()) throw ivdata::Error(input + " holds no MS scans and no analog traces");
  writer.Finish();
  return report;
}

void ExportOpenFormat(const std::string& samplePath, const std::string& output) {
  const ivdata::Sample sample = ivdata::Sample::Open(samplePath);
  MSData msd;
  msd.id = sample.Info().name.empty() ? "sample" : sample.Info().name;
  msd.run.id = msd.id;
  msd.cvs = defaultCVList();
  msd.fileDescription.fileContent.set(pwiz::cv::MS_MS1_spectrum);
  auto spectra = boost::make_shared<SpectrumListSimple>();
  auto chromatograms = boost::make_shared<ChromatogramListSimple>();
  // Readers such as OpenMS require software, processing and instrument references.
  auto software = boost::make_shared<Software>("ivtool");
  software->set(pwiz::cv::MS_custom_unreleased_software_tool, "ivtool");
  software->version = "1";
  msd.softwarePtrs.push_back(software);
  auto processing = boost::make_shared<DataProcessing>("ivtool_export");
  ProcessingMethod method;
  method.order = 0;
  method.softwarePtr = software;
  method.set(pwiz::cv::MS_Conversion_to_mzML);
  processing->processingMethods.push_back(method);
  msd.dataProcessingPtrs.push_back(processing);
  spectra->dp = processing;
  chromatograms->dp = processing;
  auto instrument = boost::make_shared<InstrumentConfiguration>("instrument");
  msd.instrumentConfigurationPtrs.push_back(instrument);
  msd.run.defaultInstrumentConfigurationPtr = instrument;

  // Scans of every function, merged by time (function order breaks ties, so MS1 precedes its MS2).
  struct Ref {
    double rt;
    int function;
    int scan;
  };
  std::vector<Ref> order;
  for (int f = 1; f <= sample.FunctionCount(); ++f) {
    for (int s = 1; s <= sample.ScanCount(f); ++s) order.push_back({sample.Scan(f, s).rt, f, s});
  }
  std::stable_sort(order.begin(), order.end(), [](const Ref& a, const Ref& b) {
    return a.rt < b.rt || (a.rt == b.rt && a.function < b.function);
  });
  for (const Ref& r : order) {
    const ivdata::ScanInfo& info = sample.Scan(r.function, r.scan);
    const ivdata::Spectrum data = sample.ReadSpectrum(r.function, r.scan);
    auto s = boost::make_shared<Spectrum>();
    s->index = spectra->spectra.size();
    s->id = "function=" + std::to_string(r.function) + " scan=" + std::to_string(r.scan);
    const int level = sample.Function(r.function).msLevel;
    s->set(level > 1 ? pwiz::cv::MS_MSn_spectrum : pwiz::cv::MS_MS1_spectrum);
    s->set(pwiz::cv::MS_ms_level, std::max(level, 1));
    s->set(info.centroided ? pwiz::cv::MS_centroid_spectrum : pwiz::cv::MS_profile_spectrum);
    s->set(pwiz::cv::MS_total_ion_current, info.tic);
    s->scanList.set(pwiz::cv::MS_no_combination);
    s->scanList.scans.push_back(Scan());
    s->scanList.scans.back().set(pwiz::cv::MS_scan_start_time, info.rt, pwiz::cv::UO_minute);
    if (level > 1 && info.precursorMz > 0) {
      Precursor p;
      p.selectedIons.push_back(SelectedIon(info.precursorMz));
      s->precursors.push_back(p);
    }
    s->setMZIntensityArrays(data.mz, data.intensity, pwiz::cv::MS_number_of_detector_counts);
    spectra->spectra.push_back(s);
  }
  if (sample.FunctionCount() >= 1 && sample.ScanCount(1) > 0) {
    auto tic = boost::make_shared<Chromatogram>();
    tic->index = 0;
    tic->id = "TIC";
    tic->set(pwiz::cv::MS_total_ion_current_chromatogram);
    std::vector<double> t, v;
    for (int s = 1; s <= sample.ScanCount(1); ++s) {
      t.push_back(sample.Scan(1, s).rt);
      v.push_back(sample.Scan(1, s).tic);
    }
    tic->setTimeIntensityArrays(t, v, pwiz::cv::UO_minute, pwiz::cv::MS_number_of_detector_counts);
    chromatograms->chromatograms.push_back(tic);
  }
  for (int k = 1; k <= sample.TraceCount(); ++k) {
    const ivdata::TraceInfo& info = sample.Trace(k);
    const ivdata::AnalogTrace trace = sample.ReadTrace(k);
    auto c = boost::make_shared<Chromatogram>();
    c->index = chromatograms->chromatograms.size();
    c->id = info.name;
    CVID type = pwiz::cv::MS_electromagnetic_radiation_chromatogram;
    CVID unit = pwiz::cv::MS_number_of_detector_counts;
    switch (info.type) {
      case ivdata::TraceType::Absorbance: type = pwiz::cv::MS_absorption_chromatogram; unit = pwiz::cv::UO_absorbance_unit; break;
      case ivdata::TraceType::Pressure: type = pwiz::cv::MS_pressure_chromatogram; unit = pwiz::cv::UO_pascal; break;
      case ivdata::TraceType::Radiation: type = pwiz::cv::MS_emission_chromatogram; break;
      case ivdata::TraceType::Other: type = pwiz::cv::MS_flow_rate_chromatogram; break;
    }
    c->set(type);
    if (!info.unit.empty()) c->userParams.push_back(UserParam("trace unit", info.unit));
    c->setTimeIntensityArrays(trace.rt, trace.value, pwiz::cv::UO_minute, unit);
    chromatograms->chromatograms.push_back(c);
  }
  msd.run.spectrumListPtr = spectra;
  msd.run.chromatogramListPtr = chromatograms;
  try {
    const bool mzxml = output.size() >= 6 && std::equal(output.end() - 6, output.end(), ".mzxml", [](char a, char b) {
      return std::tolower(static_cast<unsigned char>(a)) == b;
    });
    MSDataFile::WriteConfig config(mzxml ? MSDataFile::Format_mzXML : MSDataFile::Format_mzML);
    MSDataFile::write(msd, output, config);
  } catch (const std::exception& e) {
    throw ivdata::Error("cannot write " + output + ": " + FirstLine(e.what()));
  }
}

}  // namespace ivtool
