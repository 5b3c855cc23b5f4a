// frmAbout: the modal, always-on-top About box.
#pragma once
#include "platform/forms.h"
#include "shell/about_box.h"
#include "shell/win32/status_form.h"

namespace apexer::win32 {

// Shows the box for the owner form and returns once cmdOK has unloaded it. Throws what FillAppInfo throws.
void ShowAboutBox(StatusFormWindow& owner, platform::Application& app, AppInfo& info);

}  // namespace apexer::win32
