// Where the help file is looked for: beside the executable, under its name,
// with the extension "chm", in the same 260-byte buffer.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/help_file.h"
#include "tests/winmodel/case_name.h"

namespace {

constexpr std::size_t kPathBuffer = 260;
using PathBuffer = std::array<char, kPathBuffer>;

PathBuffer BufferHolding(const std::string& path) {
    PathBuffer buffer{};
    buffer.fill('#');  // what lies behind the terminator must stay as it is
    std::memcpy(buffer.data(), path.c_str(), path.size() + 1);
    return buffer;
}

struct HelpPathCase : NamedCase<HelpPathCase> {
    std::string program;
    std::string helpFile;
};

class HelpPathTest : public ::testing::TestWithParam<HelpPathCase> {};

TEST_P(HelpPathTest, ReplacesTheFileNamesExtension) {
    PathBuffer buffer = BufferHolding(GetParam().program);
    ASSERT_TRUE(ReplaceExtensionWithChm(buffer.data(), buffer.size()));
    EXPECT_EQ(std::string(buffer.data()), GetParam().helpFile);
}

const std::string k255 = std::string(255, 'k');

INSTANTIATE_TEST_SUITE_P(
    Cases, HelpPathTest,
    ::testing::Values(
        HelpPathCase{"WindowsPath", R"(D:\Tools\clock.exe)", R"(D:\Tools\clock.chm)"},
        HelpPathCase{"SeveralDots", R"(D:\Tools\my.clock.exe)", R"(D:\Tools\my.clock.chm)"},
        HelpPathCase{"NoExtension", "build/korvan", "build/korvan.chm"},
        HelpPathCase{"DotInADirectoryOnly", "/opt/my.tools/korvan", "/opt/my.tools/korvan.chm"},
        HelpPathCase{"DotInAWindowsDirectoryOnly", R"(C:\my.tools\korvan)",
                     R"(C:\my.tools\korvan.chm)"},
        HelpPathCase{"ShortExtension", "/opt/korvan.x", "/opt/korvan.chm"},
        HelpPathCase{"TrailingDot", "korvan.", "korvan.chm"},
        HelpPathCase{"FillsTheBufferExactly", k255, k255 + ".chm"},
        HelpPathCase{"FillsTheBufferExactlyWithAnExtension", k255 + ".ab", k255 + ".chm"}),
    CaseName());

struct TooLongCase : NamedCase<TooLongCase> {
    std::string program;
};

class HelpPathTooLongTest : public ::testing::TestWithParam<TooLongCase> {};

TEST_P(HelpPathTooLongTest, RefusesAndLeavesTheBufferUntouched) {
    const PathBuffer before = BufferHolding(GetParam().program);
    PathBuffer buffer = before;
    EXPECT_FALSE(ReplaceExtensionWithChm(buffer.data(), buffer.size()));
    EXPECT_EQ(buffer, before);
}

INSTANTIATE_TEST_SUITE_P(Cases, HelpPathTooLongTest,
                         ::testing::Values(TooLongCase{"OneByteOver", k255 + "k"},
                                           TooLongCase{"ShortExtensionThatGrows", k255 + "kk.x"}),
                         CaseName());

TEST(HelpFilePathTest, AnUnterminatedBufferIsRefused) {
    PathBuffer buffer{};
    buffer.fill('k');
    const PathBuffer before = buffer;
    EXPECT_FALSE(ReplaceExtensionWithChm(buffer.data(), buffer.size()));
    EXPECT_EQ(buffer, before);
}

TEST(HelpFilePathTest, TheBuiltProgramFindsTheBuiltHelpFile) {
    PathBuffer buffer = BufferHolding(KORVAN_EXECUTABLE);
    ASSERT_TRUE(ReplaceExtensionWithChm(buffer.data(), buffer.size()));
    EXPECT_EQ(std::filesystem::path(buffer.data()), std::filesystem::path(KORVAN_HELP_FILE));
    EXPECT_TRUE(std::filesystem::is_regular_file(buffer.data())) << buffer.data();
}

}  // namespace
