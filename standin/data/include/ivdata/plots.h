// Plots laid out into a display list: a combined spectrum's panel (the page's and the spectrum window's)
// and a chromatogram trace (the chromatogram window's), on the same axes and ticks.
#pragma once
#include <string>
#include <vector>

#include "ivdata/combiner.h"
#include "ivdata/display_list.h"

namespace ivdata {

// Two heading lines (sample, function, ranges; retention times, scans, base peak), the relative intensity
// axis 0..100, the m/z axis padded around the spectrum's points with ticks of 1, 2 or 5 times a power of
// ten, sticks (centroided) or a line (profile), and the m/z of the five most intense points where their
// labels do not overlap. The box is x0, y0 (top left), w, h in points.
void DrawSpectrumPanel(DisplayList& d, const CombinedSpectrum& spectrum, double x0, double y0, double w, double h);

struct PlotMarker {
  double x;           // where along the trace
  std::string label;  // written above the trace there
};

struct TracePlot {
  std::string title;
  std::vector<double> x;  // ascending
  std::vector<double> y;
  std::string unit = "min";
  std::vector<PlotMarker> markers;  // most important first; one whose label would overlap an earlier is left out
};

// The trace as a line over its whole x range, on the axes of the spectrum panel: one heading line with the
// trace's maximum, the relative axis 0..100, the x axis with the same ticks.
void DrawTracePanel(DisplayList& d, const TracePlot& plot, double x0, double y0, double w, double h);

}  // namespace ivdata
