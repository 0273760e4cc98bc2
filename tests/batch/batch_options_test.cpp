#include "batch/batch_options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace {

// Parses arguments as start-up does: one leading '-' or '/' is removed first.
BatchOptions ParseCommandLine(std::initializer_list<std::string> arguments) {
    BatchOptions options;
    for (const std::string& argument : arguments) {
        const bool marked = !argument.empty() && (argument[0] == '-' || argument[0] == '/');
        ParseBatchArgument(argument.c_str() + (marked ? 1 : 0), options);
    }
    return options;
}

// Everything that differs from a fresh record, in declaration order, so a
// failing case shows exactly what was set.
std::string Describe(const BatchOptions& o) {
    std::string text;
    const auto flag = [&](bool set, const char* name) {
        if (set) text += std::string(text.empty() ? "" : " ") + name;
    };
    const auto number = [&](int32_t value, const char* name) {
        if (value != 0) flag(true, (std::string(name) + "=" + std::to_string(value)).c_str());
    };
    flag(o.batchMode, "batchMode");
    flag(o.restore, "restore");
    flag(o.resetsclk, "resetsclk");
    flag(o.resetmclk, "resetmclk");
    flag(o.incsclk, "incsclk");
    flag(o.incmclk, "incmclk");
    flag(o.decsclk, "decsclk");
    flag(o.decmclk, "decmclk");
    flag(o.incclk, "incclk");
    flag(o.decclk, "decclk");
    flag(o.engclk, "engclk");
    flag(o.memclk, "memclk");
    flag(o.incsclk3d, "incsclk3d");
    flag(o.decsclk3d, "decsclk3d");
    flag(o.incmclk3d, "incmclk3d");
    flag(o.decmclk3d, "decmclk3d");
    flag(o.incclk3d, "incclk3d");
    flag(o.decclk3d, "decclk3d");
    flag(o.engclk3d, "engclk3d");
    flag(o.memclk3d, "memclk3d");
    flag(o.viewclkinfo, "viewclkinfo");
    flag(o.printclkinfo, "printclkinfo");
    flag(o.incvolt, "incvolt");
    flag(o.decvolt, "decvolt");
    flag(o.help, "help");
    number(o.engineClock, "engineClock");
    number(o.memoryClock, "memoryClock");
    number(o.engineStep, "engineStep");
    number(o.memoryStep, "memoryStep");
    number(o.engineClock3d, "engineClock3d");
    number(o.memoryClock3d, "memoryClock3d");
    number(o.engineStep3d, "engineStep3d");
    number(o.memoryStep3d, "memoryStep3d");
    if (!o.reportPath.empty()) flag(true, ("reportPath=" + o.reportPath).c_str());
    return text;
}

struct CommandLineCase {
    std::initializer_list<std::string> arguments;
    const char* expected;
};

TEST(ParseBatchArgument, CommandLinesGiveTheseOptions) {
    const CommandLineCase cases[] = {
        // Nothing that matches: no batch.
        {{}, ""},
        {{"-"}, ""},
        {{"/"}, ""},
        {{"--restore"}, ""},
        {{"Help", "RESTORE", "3DRESTORE"}, ""},
        {{"setvolt=1"}, ""},
        // Keywords match as prefixes, case-sensitively, first match winning.
        {{"/h"}, "batchMode help"},
        {{"-?"}, "batchMode help"},
        {{"hello"}, "batchMode help"},
        {{"help"}, "batchMode help"},
        {{"restoreall"}, "batchMode restore"},
        {{"incvolt3d"}, "batchMode incvolt"},
        {{"-decvolt"}, "batchMode decvolt"},
        {{"resetmclk", "/resetsclk"}, "batchMode resetsclk resetmclk"},
        {{"viewclkinfo"}, "batchMode viewclkinfo"},
        {{"3drestore"}, "batchMode"},
        // Numbers: read as decimals, truncated toward zero, clamped to int32.
        {{"-engclk=450.9"}, "batchMode engclk engineClock=450"},
        {{"engclk=-0.5"}, "batchMode engclk"},
        {{"engclk=12abc"}, "batchMode engclk engineClock=12"},
        {{"engclk=abc"}, "batchMode engclk"},
        {{"engclk="}, "batchMode engclk"},
        {{"engclk=1e30"}, "batchMode engclk engineClock=2147483647"},
        {{"memclk=-1e30"}, "batchMode memclk memoryClock=-2147483648"},
        {{"memclk=-250"}, "batchMode memclk memoryClock=-250"},
        {{"engclk=0x10"}, "batchMode engclk"},
        {{"engclk=inf"}, "batchMode engclk"},
        {{"engclk=  +7.9e2"}, "batchMode engclk engineClock=790"},
        {{"engclk=1", "engclk=2"}, "batchMode engclk engineClock=2"},
        {{"engclk3d=300", "memclk3d=200"},
         "batchMode engclk3d memclk3d engineClock3d=300 memoryClock3d=200"},
        // Steps: fields shared between keywords take the last value given.
        {{"incsclk=10", "decsclk=4"}, "batchMode incsclk decsclk engineStep=4"},
        {{"incmclk=3", "decmclk=6"}, "batchMode incmclk decmclk memoryStep=6"},
        {{"incclk=5", "incmclk=2"}, "batchMode incmclk incclk engineStep=5 memoryStep=2"},
        {{"incmclk=2", "incclk=5"}, "batchMode incmclk incclk engineStep=5 memoryStep=5"},
        {{"decclk=8"}, "batchMode decclk engineStep=8 memoryStep=8"},
        {{"incsclk3d=1", "incmclk3d=2"},
         "batchMode incsclk3d incmclk3d engineStep3d=1 memoryStep3d=2"},
        {{"decsclk3d=3", "decmclk3d=4"},
         "batchMode decsclk3d decmclk3d engineStep3d=3 memoryStep3d=4"},
        {{"incclk3d=7"}, "batchMode incclk3d engineStep3d=7 memoryStep3d=7"},
        {{"decmclk3d=1", "decclk3d=9"},
         "batchMode decmclk3d decclk3d engineStep3d=9 memoryStep3d=9"},
        // setvolt leaves batch mode, until a later batch keyword enters it again.
        {{"restore", "setvolt=1"}, "restore"},
        {{"setvolt=1", "restore"}, "batchMode restore"},
        // The report path is the whole rest of the argument; the last one wins.
        {{"printclkinfo=C:\\My Reports\\clk 1.txt"},
         "batchMode printclkinfo reportPath=C:\\My Reports\\clk 1.txt"},
        {{"printclkinfo=first", "-printclkinfo=/tmp/second"},
         "batchMode printclkinfo reportPath=/tmp/second"},
        {{"printclkinfo="}, "batchMode printclkinfo"},
    };
    for (const CommandLineCase& c : cases) {
        std::string shown;
        for (const std::string& argument : c.arguments) shown += " " + argument;
        EXPECT_EQ(Describe(ParseCommandLine(c.arguments)), c.expected) << "Korvan" << shown;
    }
}

TEST(ParseBatchArgument, KeepsALongReportPathWhole) {
    const std::string path = "/tmp/" + std::string(5000, 'r');
    EXPECT_EQ(ParseCommandLine({"-printclkinfo=" + path}).reportPath, path);
}

TEST(ParseBatchArgument, NullTextChangesNothing) {
    BatchOptions options;
    ParseBatchArgument(nullptr, options);
    EXPECT_EQ(Describe(options), "");
}

}  // namespace
