// Apexer's version, written only here: the version resource, the About box, the run record and the
// release (which reads it back from the built program's resource) all take it from this file.
#pragma once

#define APEXER_VERSION_MAJOR 3
#define APEXER_VERSION_MINOR 3
#define APEXER_VERSION_PATCH 0

#define APEXER_VERSION_STRINGIZE(x) #x
#define APEXER_VERSION_EXPAND(x) APEXER_VERSION_STRINGIZE(x)
// "3.3.0"
#define APEXER_VERSION_TEXT APEXER_VERSION_EXPAND(APEXER_VERSION_MAJOR.APEXER_VERSION_MINOR.APEXER_VERSION_PATCH)
