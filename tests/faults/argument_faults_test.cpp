// Hostile command lines given to the real program: empty and lone switch
// characters, 100 KB arguments, bytes that are not UTF-8 and numbers far out
// of range. Each ends the documented way, which the card's clocks show after.
#include <filesystem>

#include "fault_fixture.h"

namespace faults {
namespace {

constexpr const char* kNoDisplay = "no display to show the main dialog on";
const std::string k100KB(100 * 1024, 'x');

struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    const char* clocksAfter;  // the first device's 2D clocks, as the probe prints them
    const char* stderrHolds;  // empty: nothing on stderr
};

// The first built-in device: engine 607.50-1012.50 MHz (default 810), memory
// 720-1080 MHz (default 900), set in 10 kHz units.
const ArgumentCase kArgumentCases[] = {
    // Nothing recognised asks for the dialog, which a terminal cannot show.
    {"EmptyArgument", {""}, 1, kDefaultClocks, kNoDisplay},
    {"LoneMinus", {"-"}, 1, kDefaultClocks, kNoDisplay},
    {"LoneSlash", {"/"}, 1, kDefaultClocks, kNoDisplay},
    {"DoubleMinusKeyword", {"--engclk=94500"}, 1, kDefaultClocks, kNoDisplay},
    {"BytesThatAreNotUtf8", {"-\xff\xfe\x80\xc0"}, 1, kDefaultClocks, kNoDisplay},
    {"UnknownArgumentOf100KB", {"-" + k100KB}, 1, kDefaultClocks, kNoDisplay},
    // Numbers: clamped to int32, passed on as unsigned, then clamped by the card.
    {"EngineFarAboveRange", {"-engclk=99999999999"}, 0, "101250 90000\n", ""},
    {"EngineWithHugeExponent", {"-engclk=1e999"}, 0, "101250 90000\n", ""},
    {"EngineNegativeWrapsToMaximum", {"-engclk=-1"}, 0, "101250 90000\n", ""},
    {"MemoryBelowRange", {"-memclk=5"}, 0, "81000 72000\n", ""},
    // Text that holds no number reads as 0, which leaves the clock alone.
    {"EngineNotANumber", {"-engclk=nan"}, 0, kDefaultClocks, ""},
    {"EngineInHexadecimal", {"-engclk=0x14C08"}, 0, kDefaultClocks, ""},
    {"EngineAfter100KBOfZeros",
     {"-engclk=" + std::string(100 * 1024, '0') + "85050"},
     0,
     "85050 90000\n",
     ""},
    {"EngineFollowedByBytesThatAreNotUtf8", {"-engclk=85050\xff\xfe"}, 0, "85050 90000\n", ""},
    // Steps are MHz scaled into unsigned 10 kHz units: a huge one wraps
    // around, as documented, and the card clamps whatever arrives.
    {"HugeStepUpWraps", {"-incsclk=99999999999"}, 0, "80325 90000\n", ""},
    {"HugeStepDownWraps", {"-decsclk=1000000"}, 0, "101250 90000\n", ""},
};

void PrintTo(const ArgumentCase& argumentCase, std::ostream* out) {
    *out << argumentCase.name;
}

class ArgumentTest : public FaultTest, public ::testing::WithParamInterface<ArgumentCase> {};

TEST_P(ArgumentTest, EndsAsDocumentedAndLeavesTheExpectedClocks) {
    const ArgumentCase& argumentCase = GetParam();
    const ProcessResult run = RunKorvan(argumentCase.arguments);

    EXPECT_EQ(run.exitCode, argumentCase.exitCode) << run.err;
    if (*argumentCase.stderrHolds == '\0') {
        EXPECT_EQ(run.err, "");
    } else {
        EXPECT_NE(run.err.find(argumentCase.stderrHolds), std::string::npos) << run.err;
    }
    const ProcessResult clocks = RunProbe({"get", "0"});
    ASSERT_EQ(clocks.exitCode, 0) << clocks.err;
    EXPECT_EQ(clocks.out, argumentCase.clocksAfter);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ArgumentTest, ::testing::ValuesIn(kArgumentCases),
                         [](const auto& param) { return std::string(param.param.name); });

// A file name is bytes: one that is not UTF-8 is used exactly as given.
TEST_F(FaultTest, ReportPathThatIsNotUtf8IsUsedAsGiven) {
    const std::string path = Path("report-\xff\xfe.txt");
    const ProcessResult run = RunKorvan({"-printclkinfo=" + path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(ReadFileBytes(path).find("\tEngine: 810.00\r\n"), std::string::npos);
}

TEST_F(FaultTest, HelpAmongHostileArgumentsIsStillShown) {
    const ProcessResult run = RunKorvan({"", "-\xff", "-help", "/" + k100KB});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("COMMAND: Korvan <OPTION>\n", 0), 0u) << run.out;
}

}  // namespace
}  // namespace faults
