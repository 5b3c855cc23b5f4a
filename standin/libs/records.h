// The host's record layouts as its libraries see them: byte-exact, little-endian, no padding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace standin {

#pragma pack(push, 1)

struct FileSpec {            // 784 bytes: names one host file
  int16_t number;            // 1 for a file the host knows, 0 for a blank request
  char location[260];        // folder, ending in a backslash
  char fileName[256];        // file name with extension
  char detail[256];          // sample description
  uint8_t filler[2];
  int32_t specValue;         // size of the file in KiB (informative)
  int32_t scanCount;         // scans of function 1
};

struct RawFile {             // 788 bytes
  FileSpec spec;
  int16_t functionNumber;    // from 1
  int16_t aux;               // unused by the stand-in
};

// Body of the raw-file header. Field meanings are the stand-in's own.
struct RawHeaderBody {       // 7120 bytes
  int32_t formatVersion;                 // 0
  char path[260];                        // 4
  char acquiredDate[40];                 // 264
  char acquiredTime[40];                 // 304
  char sampleName[80];                   // 344
  char sampleText[80];                   // 424
  char instrument[80];                   // 504
  char operatorName[80];                 // 584
  char method[80];                       // 664
  char tuneFile[80];                     // 744
  char description[121];                 // 824
  char ionMode[80];                      // 945
  char sourceFormat[80];                 // 1025
  char version[20];                      // 1105
  uint8_t filler1[3];                    // 1125
  double runMinutes;                     // 1128
  int32_t totalScans;                    // 1136
  char sourceFile[260];                  // 1140
  char bottle[81];                       // 1400
  uint8_t filler2[3];                    // 1481
  float firstTime;                       // 1484
  float lastTime;                        // 1488
  char massRangeText[25];                // 1492
  char polarityText[25];                 // 1517
  char conditions[121];                  // 1542
  uint8_t filler3[1];                    // 1663
  int32_t reserved4[4];                  // 1664 (indexed 1..4 by the host)
  int32_t analogCount;                   // 1680
  char analogNames[8][260];              // 1684
  char auxFiles[5][260];                 // 3764 (indexed 1..5 by the host)
  int32_t auxCount;                      // 5064
  int32_t functionScans[256];            // 5068
  int32_t functionKinds[256];            // 6092
  int32_t checksum;                      // 7116
};

struct RawHeader {           // 7124 bytes
  RawHeaderBody body;
  int16_t functionCount;
  int16_t aux;
};

// Mass area of a trace: floats in text order; a negative value closes a range opened by the value before it.
inline constexpr int kMassSlots = 39;

struct TraceDesc {           // 160 bytes
  int32_t kind;              // 0 TIC, 1 masses, 2 masses with ranges or sums, 3 analog, 4 BPI
  float masses[kMassSlots];
};

struct IntegrationParams {   // 3280 bytes: the integrator's tagged settings in the first 64, the rest zero
  uint8_t bytes[3280];
};

struct PeakRecord {          // 112 bytes
  int32_t number;            // 0, from 1
  float apexTime;            // 4, minutes
  float startTime;           // 8
  float endTime;             // 12
  int32_t startScan;         // 16
  int32_t endScan;           // 20
  float apexScan;            // 24, the field the client reads
  float height;              // 28
  float area;                // 32
  float areaPercent;         // 36
  float widthHalf;           // 40, minutes at half height
  float baselineStart;       // 44
  float baselineEnd;         // 48
  int32_t flags;             // 52
  uint8_t reserved[112 - 56];
};

#pragma pack(pop)

static_assert(sizeof(FileSpec) == 784);
static_assert(offsetof(FileSpec, number) == 0);
static_assert(offsetof(FileSpec, location) == 2);
static_assert(offsetof(FileSpec, fileName) == 262);
static_assert(offsetof(FileSpec, detail) == 518);
static_assert(offsetof(FileSpec, specValue) == 776);
static_assert(offsetof(FileSpec, scanCount) == 780);

static_assert(sizeof(RawFile) == 788);
static_assert(offsetof(RawFile, functionNumber) == 784);
static_assert(offsetof(RawFile, aux) == 786);

static_assert(offsetof(RawHeaderBody, path) == 4);
static_assert(offsetof(RawHeaderBody, acquiredDate) == 264);
static_assert(offsetof(RawHeaderBody, acquiredTime) == 304);
static_assert(offsetof(RawHeaderBody, sampleName) == 344);
static_assert(offsetof(RawHeaderBody, sampleText) == 424);
static_assert(offsetof(RawHeaderBody, instrument) == 504);
static_assert(offsetof(RawHeaderBody, operatorName) == 584);
static_assert(offsetof(RawHeaderBody, method) == 664);
static_assert(offsetof(RawHeaderBody, tuneFile) == 744);
static_assert(offsetof(RawHeaderBody, description) == 824);
static_assert(offsetof(RawHeaderBody, ionMode) == 945);
static_assert(offsetof(RawHeaderBody, sourceFormat) == 1025);
static_assert(offsetof(RawHeaderBody, version) == 1105);
static_assert(offsetof(RawHeaderBody, runMinutes) == 1128);
static_assert(offsetof(RawHeaderBody, totalScans) == 1136);
static_assert(offsetof(RawHeaderBody, sourceFile) == 1140);
static_assert(offsetof(RawHeaderBody, bottle) == 1400);
static_assert(offsetof(RawHeaderBody, firstTime) == 1484);
static_assert(offsetof(RawHeaderBody, lastTime) == 1488);
static_assert(offsetof(RawHeaderBody, massRangeText) == 1492);
static_assert(offsetof(RawHeaderBody, polarityText) == 1517);
static_assert(offsetof(RawHeaderBody, conditions) == 1542);
static_assert(offsetof(RawHeaderBody, reserved4) == 1664);
static_assert(offsetof(RawHeaderBody, analogCount) == 1680);
static_assert(offsetof(RawHeaderBody, analogNames) == 1684);
static_assert(offsetof(RawHeaderBody, auxFiles) == 3764);
static_assert(offsetof(RawHeaderBody, auxCount) == 5064);
static_assert(offsetof(RawHeaderBody, functionScans) == 5068);
static_assert(offsetof(RawHeaderBody, functionKinds) == 6092);
static_assert(offsetof(RawHeaderBody, checksum) == 7116);
static_assert(sizeof(RawHeaderBody) == 7120);
static_assert(sizeof(RawHeader) == 7124);
static_assert(offsetof(RawHeader, functionCount) == 7120);
static_assert(offsetof(RawHeader, aux) == 7122);

static_assert(sizeof(TraceDesc) == 160);
static_assert(offsetof(TraceDesc, masses) == 4);

static_assert(sizeof(IntegrationParams) == 3280);

static_assert(sizeof(PeakRecord) == 112);
static_assert(offsetof(PeakRecord, apexScan) == 24);

}  // namespace standin
