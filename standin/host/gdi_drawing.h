// The screen's renderer of the engine's display lists: the same lines, polylines and texts the page prints.
#pragma once

#include <windows.h>

#include "ivdata/display_list.h"

namespace standin {

// Where a list lands: the pixel its top left point goes to, and pixels per point.
struct ScreenPlacement {
  double left = 0;
  double top = 0;
  double scale = 1;
};

// Pixels per point at the screen's resolution, so a point on the screen is a point on paper.
double ScreenPointScale(HDC dc);

// The list's whole extent fitted into area, its aspect kept, centred.
ScreenPlacement FitInto(const RECT& area, const ivdata::DisplayList& list);

void DrawDisplayList(HDC dc, const ivdata::DisplayList& list, const ScreenPlacement& at);

}  // namespace standin
