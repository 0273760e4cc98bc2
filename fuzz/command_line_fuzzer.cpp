// The command line, whole: the input is split at NUL bytes into arguments and
// handed to the framework's start-up as argv, which strips one leading '-' or
// '/' and feeds ClockCommandLineInfo. The result is checked against what the
// help text promises, worked out here without the parser's keyword table.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "batch/batch_options.h"
#include "batch/clock_command_line_info.h"
#include "framework/afx.h"

namespace {

// Parses the command line and stops: no dialog, no library, no window.
class CParseOnlyApp : public CWinApp {
  public:
    CParseOnlyApp() : CWinApp("korvan") {}
    BOOL InitInstance() override {
        ClockCommandLineInfo commandLine;
        ParseCommandLine(commandLine);
        return FALSE;
    }
};

CParseOnlyApp theApp;

struct Flag {
    std::string_view keyword;
    bool BatchOptions::*flag;
};

// Every documented switch and the flag it sets; "setvolt=" and "3drestore"
// set none of their own.
constexpr Flag kFlags[] = {
    {"help", &BatchOptions::help},
    {"?", &BatchOptions::help},
    {"h", &BatchOptions::help},
    {"resetmclk", &BatchOptions::resetmclk},
    {"resetsclk", &BatchOptions::resetsclk},
    {"engclk=", &BatchOptions::engclk},
    {"engclk3d=", &BatchOptions::engclk3d},
    {"memclk=", &BatchOptions::memclk},
    {"memclk3d=", &BatchOptions::memclk3d},
    {"incsclk=", &BatchOptions::incsclk},
    {"decsclk=", &BatchOptions::decsclk},
    {"incmclk=", &BatchOptions::incmclk},
    {"decmclk=", &BatchOptions::decmclk},
    {"incclk=", &BatchOptions::incclk},
    {"decclk=", &BatchOptions::decclk},
    {"incsclk3d=", &BatchOptions::incsclk3d},
    {"decsclk3d=", &BatchOptions::decsclk3d},
    {"incmclk3d=", &BatchOptions::incmclk3d},
    {"decmclk3d=", &BatchOptions::decmclk3d},
    {"incclk3d=", &BatchOptions::incclk3d},
    {"decclk3d=", &BatchOptions::decclk3d},
    {"restore", &BatchOptions::restore},
    {"viewclkinfo", &BatchOptions::viewclkinfo},
    {"printclkinfo=", &BatchOptions::printclkinfo},
    {"incvolt", &BatchOptions::incvolt},
    {"decvolt", &BatchOptions::decvolt},
};

constexpr std::string_view kNoFlagKeywords[] = {"3drestore", "setvolt="};

// Which keywords write each number: the last such argument gives its value.
struct NumberField {
    int32_t BatchOptions::*field;
    std::vector<std::string_view> writers;
};

const NumberField kNumbers[] = {
    {&BatchOptions::engineClock, {"engclk="}},
    {&BatchOptions::memoryClock, {"memclk="}},
    {&BatchOptions::engineClock3d, {"engclk3d="}},
    {&BatchOptions::memoryClock3d, {"memclk3d="}},
    {&BatchOptions::engineStep, {"incsclk=", "decsclk=", "incclk=", "decclk="}},
    {&BatchOptions::memoryStep, {"incmclk=", "decmclk=", "incclk=", "decclk="}},
    {&BatchOptions::engineStep3d, {"incsclk3d=", "decsclk3d=", "incclk3d=", "decclk3d="}},
    {&BatchOptions::memoryStep3d, {"incmclk3d=", "decmclk3d=", "incclk3d=", "decclk3d="}},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool IsRecognised(std::string_view text) {
    for (const Flag& flag : kFlags) {
        if (StartsWith(text, flag.keyword)) return true;
    }
    for (std::string_view keyword : kNoFlagKeywords) {
        if (StartsWith(text, keyword)) return true;
    }
    return false;
}

// What a number switch's value becomes, by way of the C library: strtod in
// the C locale, minus the forms the program does not read (hexadecimal,
// infinity, NaN), truncated and clamped to int32.
int32_t ExpectedNumber(const std::string& text) {
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string::npos) return 0;
    if (text[at] == '+' || text[at] == '-') ++at;
    const char next = at < text.size() ? text[at] : '\0';
    if (next == 'i' || next == 'I' || next == 'n' || next == 'N') return 0;
    if (next == '0' && at + 1 < text.size() && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
        return 0;
    }
    const double value = std::trunc(std::strtod(text.c_str(), nullptr));
    return static_cast<int32_t>(std::clamp(value, -2147483648.0, 2147483647.0));
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "command line: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Arguments as the system hands them over: NUL-terminated, so split at NULs.
    std::vector<std::string> arguments;
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0; start <= input.size() && arguments.size() < 64;) {
        const std::size_t end = std::min(input.find('\0', start), input.size());
        arguments.push_back(input.substr(start, end - start));
        start = end + 1;
    }

    std::vector<char*> argv{const_cast<char*>("korvan")};
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    g_batchOptions = BatchOptions{};
    AfxWinMain(static_cast<int>(argv.size() - 1), argv.data());
    const BatchOptions& parsed = g_batchOptions;

    std::vector<std::string> stripped;
    for (const std::string& argument : arguments) {
        const bool marked = !argument.empty() && (argument[0] == '-' || argument[0] == '/');
        stripped.push_back(argument.substr(marked ? 1 : 0));
    }

    bool expectedBatchMode = false;
    for (const std::string& text : stripped) {
        if (IsRecognised(text)) expectedBatchMode = !StartsWith(text, "setvolt=");
    }
    if (parsed.batchMode != expectedBatchMode) Fail("batchMode is not the last keyword's");

    // A flag is set when any of its keywords ("help", "?" and "h" share one) begins an argument.
    for (const Flag& flag : kFlags) {
        bool given = false;
        for (const Flag& synonym : kFlags) {
            if (synonym.flag != flag.flag) continue;
            for (const std::string& text : stripped)
                given = given || StartsWith(text, synonym.keyword);
        }
        if (parsed.*flag.flag != given) Fail("a flag disagrees with the arguments");
    }

    for (const NumberField& number : kNumbers) {
        int32_t expected = 0;
        for (const std::string& text : stripped) {
            for (std::string_view writer : number.writers) {
                if (StartsWith(text, writer)) expected = ExpectedNumber(text.substr(writer.size()));
            }
        }
        if (parsed.*number.field != expected) Fail("a number is not its last switch's value");
    }

    std::string expectedPath;
    for (const std::string& text : stripped) {
        if (StartsWith(text, "printclkinfo=")) expectedPath = text.substr(13);
    }
    if (parsed.reportPath != expectedPath) Fail("the report path is not kept whole");
    return 0;
}
