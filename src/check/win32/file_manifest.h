// The sums of Apexer's own files, made at build time from the files the build made (cmake/file_manifest.py).
#pragma once
#include <vector>

#include "check/check_table.h"

namespace apexer::check {

std::vector<ManifestEntry> BuiltManifest();

}  // namespace apexer::check
