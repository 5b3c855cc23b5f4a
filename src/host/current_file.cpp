#include "host/current_file.h"

#include <cstring>

#include "common/text.h"

namespace apexer {

FileSpecRecord BlankFileSpecRecord() {
  FileSpecRecord blank{};
  std::memset(blank.Location, ' ', sizeof blank.Location);
  std::memset(blank.FileName, ' ', sizeof blank.FileName);
  std::memset(blank.Detail, ' ', sizeof blank.Detail);
  return blank;
}

Integer GetCurrentFileSpec(HostLibraries& host, const std::string& fileType, FileSpecRecord& spec) {
  FileSpecRecord blank = BlankFileSpecRecord();
  std::string listName = "SystemList";
  std::string type = fileType;
  return host.GetGlobalFile(listName, type, blank, spec) == 1 ? kTrue : kFalse;
}

std::string GetCurrentRawFileName(HostLibraries& host, const std::string& fileType) {
  FileSpecRecord record{};
  if (!GetCurrentFileSpec(host, fileType, record)) return {};
  // A name that fills the whole field without a NUL is taken whole.
  return FieldText(record.FileName, sizeof record.FileName);
}

}  // namespace apexer
