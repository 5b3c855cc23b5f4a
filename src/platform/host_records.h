// Records exchanged with the host libraries, in their byte-exact host layout.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace apexer {

#pragma pack(push, 1)

struct FileSpecRecord {
  Integer Number;
  char Location[260];
  char FileName[256];
  char Detail[256];
  std::uint8_t Filler774[2];
  Long SpecValue;
  Long ScanCount;
};

struct RawFileRecord {
  FileSpecRecord Spec;
  Integer FunctionNumber;
  Integer Aux;
};

// Header body: the host's; field types of its numeric parts are unknown to us, so they stay bytes.
struct RawHeaderBody {
  std::uint8_t Num0[4];
  char Text4[260];
  char Text264[40];
  char Text304[40];
  char Text344[80];
  char Text424[80];
  char Text504[80];
  char Text584[80];
  char Text664[80];
  char Text744[80];
  char Text824[121];
  char Text945[80];
  char Text1025[80];
  char Text1105[20];
  std::uint8_t Filler1125[3];
  std::uint8_t Num1128[8];
  std::uint8_t Num1136[4];
  char Text1140[260];
  char Text1400[81];
  std::uint8_t Filler1481[3];
  std::uint8_t Num1484[4];
  std::uint8_t Num1488[4];
  char Text1492[25];
  char Text1517[25];
  char Text1542[121];
  std::uint8_t Filler1663[1];
  std::uint8_t Num1664[4][4];  // indexed 1 to 4 by the host
  std::uint8_t Num1680[4];
  char Text1684[8][260];
  char Text3764[5][260];       // indexed 1 to 5 by the host
  std::uint8_t Num5064[4];
  std::uint8_t Num5068[256][4];
  std::uint8_t Num6092[256][4];
  std::uint8_t Num7116[4];
};

struct RawHeaderRecord {
  RawHeaderBody Body;
  Integer FunctionCount;
  Integer Aux;
};

struct TraceDescriptor {
  Long Kind;
  std::uint8_t Masses[156];
};

struct IntegrationParameters {
  std::uint8_t Block[3280];
};

struct PeakRecord {
  std::uint8_t Head[24];
  Single ApexScan;
  std::uint8_t Tail[84];
};

#pragma pack(pop)

static_assert(sizeof(FileSpecRecord) == 784);
static_assert(offsetof(FileSpecRecord, Number) == 0);
static_assert(offsetof(FileSpecRecord, Location) == 2);
static_assert(offsetof(FileSpecRecord, FileName) == 262);
static_assert(offsetof(FileSpecRecord, Detail) == 518);
static_assert(offsetof(FileSpecRecord, SpecValue) == 776);
static_assert(offsetof(FileSpecRecord, ScanCount) == 780);

static_assert(sizeof(RawFileRecord) == 788);
static_assert(offsetof(RawFileRecord, Spec) == 0);
static_assert(offsetof(RawFileRecord, FunctionNumber) == 784);
static_assert(offsetof(RawFileRecord, Aux) == 786);

static_assert(sizeof(RawHeaderBody) == 7120);
static_assert(offsetof(RawHeaderBody, Num0) == 0);
static_assert(offsetof(RawHeaderBody, Text4) == 4);
static_assert(offsetof(RawHeaderBody, Text264) == 264);
static_assert(offsetof(RawHeaderBody, Text304) == 304);
static_assert(offsetof(RawHeaderBody, Text344) == 344);
static_assert(offsetof(RawHeaderBody, Text424) == 424);
static_assert(offsetof(RawHeaderBody, Text504) == 504);
static_assert(offsetof(RawHeaderBody, Text584) == 584);
static_assert(offsetof(RawHeaderBody, Text664) == 664);
static_assert(offsetof(RawHeaderBody, Text744) == 744);
static_assert(offsetof(RawHeaderBody, Text824) == 824);
static_assert(offsetof(RawHeaderBody, Text945) == 945);
static_assert(offsetof(RawHeaderBody, Text1025) == 1025);
static_assert(offsetof(RawHeaderBody, Text1105) == 1105);
static_assert(offsetof(RawHeaderBody, Filler1125) == 1125);
static_assert(offsetof(RawHeaderBody, Num1128) == 1128);
static_assert(offsetof(RawHeaderBody, Num1136) == 1136);
static_assert(offsetof(RawHeaderBody, Text1140) == 1140);
static_assert(offsetof(RawHeaderBody, Text1400) == 1400);
static_assert(offsetof(RawHeaderBody, Filler1481) == 1481);
static_assert(offsetof(RawHeaderBody, Num1484) == 1484);
static_assert(offsetof(RawHeaderBody, Num1488) == 1488);
static_assert(offsetof(RawHeaderBody, Text1492) == 1492);
static_assert(offsetof(RawHeaderBody, Text1517) == 1517);
static_assert(offsetof(RawHeaderBody, Text1542) == 1542);
static_assert(offsetof(RawHeaderBody, Filler1663) == 1663);
static_assert(offsetof(RawHeaderBody, Num1664) == 1664);
static_assert(offsetof(RawHeaderBody, Num1680) == 1680);
static_assert(offsetof(RawHeaderBody, Text1684) == 1684);
static_assert(offsetof(RawHeaderBody, Text1684) + 7 * 260 == 3504);  // the eighth of the eight
static_assert(offsetof(RawHeaderBody, Text3764) == 3764);
static_assert(offsetof(RawHeaderBody, Num5064) == 5064);
static_assert(offsetof(RawHeaderBody, Num5068) == 5068);
static_assert(offsetof(RawHeaderBody, Num6092) == 6092);
static_assert(offsetof(RawHeaderBody, Num7116) == 7116);

static_assert(sizeof(RawHeaderRecord) == 7124);
static_assert(offsetof(RawHeaderRecord, Body) == 0);
static_assert(offsetof(RawHeaderRecord, FunctionCount) == 7120);
static_assert(offsetof(RawHeaderRecord, Aux) == 7122);

static_assert(sizeof(TraceDescriptor) == 160);
static_assert(offsetof(TraceDescriptor, Kind) == 0);
static_assert(offsetof(TraceDescriptor, Masses) == 4);

static_assert(sizeof(IntegrationParameters) == 3280);

static_assert(sizeof(PeakRecord) == 112);
static_assert(offsetof(PeakRecord, ApexScan) == 24);

// TraceKind codes.
enum TraceKind : Long {
  kTraceTic = 0,
  kTraceMassList = 1,
  kTraceMassListJoined = 2,
  kTraceAnalog = 3,
  kTraceBpi = 4,
};

}  // namespace apexer
