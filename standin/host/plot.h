// GDI drawing of chromatogram traces and stick spectra with labelled axes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace standin {

struct PlotMarker {
  double x;
  std::string label;
};

void DrawTracePlot(HDC dc, const RECT& area, const std::vector<double>& x, const std::vector<double>& y,
                   const std::string& title, const char* xUnit, const std::vector<PlotMarker>& markers);

// Sticks with the most intense masses labelled; xMin/xMax fix the mass axis for stacked panels.
void DrawSpectrumPlot(HDC dc, const RECT& area, const std::vector<double>& mz, const std::vector<double>& intensity,
                      double xMin, double xMax, const std::string& title);

}  // namespace standin
