// Measuring and applying a form's outer rectangle in screen pixels.
#pragma once
#include "platform/desktop.h"
#include "platform/forms.h"
#include "settings/window_rect.h"

namespace apexer {

void GetFormRect(platform::Desktop& desktop, platform::StatusForm& form, WindowRect& rect);
// Position always from rect; size too only for a sizable form and non-zero values.
void ApplyFormRect(platform::Desktop& desktop, platform::StatusForm& form, WindowRect& rect);
void MoveWindowToRect(platform::Desktop& desktop, Hwnd hwnd, const WindowRect& rect);
// A form that lies wholly outside the work area of the monitor nearest to it (a stored placement from a
// monitor that has since gone) is moved, at its own size, to the nearest spot inside that work area.
// True when it was moved.
bool MoveOntoNearestMonitor(platform::Desktop& desktop, platform::StatusForm& form);

}  // namespace apexer
