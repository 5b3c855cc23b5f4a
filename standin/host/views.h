// What each kind of window shows and does beyond what every window does (HostApp::HandleWindowMessage):
// the data it shows, its painting, its menu commands, what it forgets when it goes.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "bridge/journal.h"
#include "ivdata/ivdata.h"

namespace standin {

class HostApp;

class WindowView {
 public:
  virtual ~WindowView() = default;
  // Before the window is made: what it will show.
  virtual void Prepare(HostApp&) {}
  // After it was shown, journalled and published.
  virtual void Opened(HostApp&, HWND) {}
  virtual void Paint(HostApp& app, HWND window, HDC dc, const RECT& client) = 0;
  virtual void Command(HostApp&, HWND, int) {}
  // The window has gone: what it showed is forgotten; closed is its "window.closed" line.
  virtual void Forget(HWND, JsonFields&) {}
};

// Kind 0: the current sample at a glance, and the View menu.
class MainView final : public WindowView {
 public:
  void Paint(HostApp& app, HWND window, HDC dc, const RECT& client) override;
  void Command(HostApp& app, HWND window, int id) override;
};

// The display channel of function 1 with its integrated peaks marked; the Process menu's command 354 opens
// "Combine Spectrum".
class ChromatogramView final : public WindowView {
 public:
  void Prepare(HostApp& app) override;
  void Opened(HostApp& app, HWND window) override;
  void Paint(HostApp& app, HWND window, HDC dc, const RECT& client) override;
  void Command(HostApp& app, HWND window, int id) override;
  void Forget(HWND, JsonFields&) override;

 private:
  ivdata::Chromatogram trace_;
  std::vector<ivdata::Peak> peaks_;
};

// Kind 1: the page a print would make of the combined spectra (the latest six), and commands 341 and 342.
class SpectrumView final : public WindowView {
 public:
  const std::vector<ivdata::CombinedSpectrum>& Spectra() const { return spectra_; }
  // Added beside the others while [SpeDisplay] Replace reads FALSE at this moment, else in their place.
  void Add(HostApp& app, ivdata::CombinedSpectrum spectrum, const ivdata::CombineRequest& request);

  void Paint(HostApp& app, HWND window, HDC dc, const RECT& client) override;
  void Command(HostApp& app, HWND window, int id) override;
  void Forget(HWND, JsonFields& closed) override;

 private:
  std::vector<ivdata::CombinedSpectrum> spectra_;
};

// Kind 2: the display channel's peaks as the host's integrator finds them.
class PeakListView final : public WindowView {
 public:
  void Prepare(HostApp& app) override;
  void Paint(HostApp& app, HWND window, HDC dc, const RECT& client) override;
  void Command(HostApp& app, HWND window, int id) override;
  void Forget(HWND, JsonFields&) override;

 private:
  std::vector<ivdata::Peak> peaks_;
};

// "Spectrum Combine" and "Printing...": a line of text and a bar.
class BusyView final : public WindowView {
 public:
  void SetText(HWND window, std::string text) { texts_[window] = std::move(text); }
  void Paint(HostApp& app, HWND window, HDC dc, const RECT& client) override;
  void Forget(HWND window, JsonFields&) override { texts_.erase(window); }

 private:
  std::map<HWND, std::string> texts_;
};

}  // namespace standin
