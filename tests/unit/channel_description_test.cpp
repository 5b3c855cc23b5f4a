#include "host/channel_description.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fakes/rig.h"

namespace apexer {
namespace {

class ChannelDescription : public ::testing::Test {
 protected:
  fakes::Rig rig;

  Integer Parse(const std::string& description, TraceDescriptor& trace) {
    rig.journal.clear();
    return ParseChannelDescription(*rig.host, description, trace);
  }
};

TEST_F(ChannelDescription, TicAndBpiAreDecidedBeforeAnyLibraryCall) {
  for (const char* text : {"TIC", "tic", "  Tic  ", "BPI", " bPi"}) {
    TraceDescriptor trace{};
    trace.Kind = 99;
    rig.host->script.analogTraces = {"TIC", "BPI"};  // whatever the library would say
    EXPECT_EQ(Parse(text, trace), kTrue) << text;
    EXPECT_EQ(trace.Kind, std::string(text).find_first_of("Bb") != std::string::npos ? kTraceBpi : kTraceTic);
    EXPECT_TRUE(rig.Lines({"DmRaw"}).empty()) << text;
  }
}

TEST_F(ChannelDescription, SpacesInsideOrTabsAroundMakeAnOrdinaryDescription) {
  for (const char* text : {"T IC", "\tTIC", "TIC\t"}) {
    TraceDescriptor trace{};
    EXPECT_EQ(Parse(text, trace), kFalse) << text;
    EXPECT_EQ(rig.Count("DmRawIsAnalogTraceDesc"), 1u) << text;
    EXPECT_EQ(rig.Count("DmRawStrToMass"), 1u) << text;
  }
}

TEST_F(ChannelDescription, AnalogTracesAreRecognisedByTheLibraryOnTheUpperCasedCopy) {
  TraceDescriptor trace{};
  EXPECT_EQ(Parse("  uv 254 ", trace), kTrue);
  EXPECT_EQ(trace.Kind, kTraceAnalog);
  EXPECT_EQ(rig.Lines({"DmRaw"}), std::vector<std::string>{"DmRawIsAnalogTraceDesc UV 254"});
}

TEST_F(ChannelDescription, MassListsAreKindOneOrTwoByPlusOrUnderscore) {
  const std::pair<const char*, Long> cases[] = {{"301.1", 1}, {"301.1+455.2", 2}, {"300_310", 2}, {"455.25", 1}};
  for (const auto& [text, kind] : cases) {
    TraceDescriptor trace{};
    EXPECT_EQ(Parse(text, trace), kTrue) << text;
    EXPECT_EQ(trace.Kind, kind) << text;
    EXPECT_EQ(rig.Lines({"DmRawStrToMass"}), std::vector<std::string>{"DmRawStrToMass " + std::string(text) + " 33"});
  }
  TraceDescriptor trace{};
  Parse("301.5", trace);
  float first = 0;
  std::memcpy(&first, trace.Masses, sizeof first);
  EXPECT_FLOAT_EQ(first, 301.5f);  // the library wrote into the caller's record
}

TEST_F(ChannelDescription, ARejectedDescriptionLeavesKindAsTheCallerSetIt) {
  for (const char* text : {"nonsense", "", "    "}) {
    TraceDescriptor trace{};
    EXPECT_EQ(Parse(text, trace), kFalse) << text;
    EXPECT_EQ(trace.Kind, 0);  // the code of TIC, though the result says no
  }
}

// A library that answers as the test says.
class AnsweringHost : public fakes::ScriptedHost {
 public:
  using ScriptedHost::ScriptedHost;
  Integer DmRawIsAnalogTraceDesc(std::string&) override { return analog; }
  Integer DmRawStrToMass(std::string&, void*, Integer, Long& count) override {
    count = mass;
    return mass;
  }
  Integer analog = 0;
  Integer mass = 0;
};

// An analog trace is any non-zero answer (the host's true is -1); a mass list only an answer above 0.
TEST_F(ChannelDescription, LibraryAnswersCountByTheirOwnRules) {
  struct Row {
    Integer analog;
    Integer mass;
    Integer result;
    Long kind;
  };
  const Row rows[] = {{-1, 0, kTrue, kTraceAnalog}, {1, 0, kTrue, kTraceAnalog}, {0, 2, kTrue, kTraceMassList},
                      {0, -1, kFalse, 0}, {0, -32768, kFalse, 0}, {0, 0, kFalse, 0}};
  for (const Row& row : rows) {
    AnsweringHost host(rig.world, rig.desktop, rig.profiles, rig.memory, fakes::HostScript{}, rig.journal);
    host.analog = row.analog;
    host.mass = row.mass;
    TraceDescriptor trace{};
    EXPECT_EQ(ParseChannelDescription(host, "301.1", trace), row.result) << row.analog << " " << row.mass;
    EXPECT_EQ(trace.Kind, row.kind) << row.analog << " " << row.mass;
  }
}

// A library that rewrites the text it was given, as a callee may.
class RewritingHost : public fakes::ScriptedHost {
 public:
  using ScriptedHost::ScriptedHost;
  Integer DmRawIsAnalogTraceDesc(std::string& description) override {
    ScriptedHost::DmRawIsAnalogTraceDesc(description);
    description = "12+13";
    return 0;
  }
};

TEST_F(ChannelDescription, LaterStepsSeeTheTextAsTheLibraryLeftIt) {
  RewritingHost host(rig.world, rig.desktop, rig.profiles, rig.memory, fakes::HostScript{}, rig.journal);
  TraceDescriptor trace{};
  const std::string description = "anything";
  EXPECT_EQ(ParseChannelDescription(host, description, trace), kTrue);
  EXPECT_EQ(trace.Kind, kTraceMassListJoined);
  EXPECT_EQ(rig.Lines({"DmRawStrToMass"}), std::vector<std::string>{"DmRawStrToMass 12+13 33"});
  EXPECT_EQ(description, "anything");
}

}  // namespace
}  // namespace apexer
