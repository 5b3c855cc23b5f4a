#include "libs/sample_access.h"

#include <optional>

#include "bridge/text_fields.h"

namespace standin {

namespace {

std::optional<ivdata::Sample> g_open;

}  // namespace

std::string RawFilePath(const RawFile& raw) {
  std::string folder = FieldText(raw.spec.location);
  std::string name = FieldText(raw.spec.fileName);
  folder = Trim(folder);
  name = Trim(name);
  if (name.empty()) return {};
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder + name;
}

const ivdata::Sample* OpenRawFile(const RawFile& raw, std::string& error) {
  std::string path = RawFilePath(raw);
  if (path.empty()) {
    error = "the record names no file";
    return nullptr;
  }
  if (g_open && ivdata::EqualsNoCase(g_open->Path(), path)) return &*g_open;
  g_open.reset();
  try {
    g_open.emplace(ivdata::Sample::Open(path));
  } catch (const std::exception& e) {
    error = e.what();
    return nullptr;
  }
  return &*g_open;
}

const ivdata::Sample* CurrentRawFile() { return g_open ? &*g_open : nullptr; }

bool CloseRawFile() {
  bool wasOpen = g_open.has_value();
  g_open.reset();
  return wasOpen;
}

}  // namespace standin
