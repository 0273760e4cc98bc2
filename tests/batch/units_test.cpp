#include "units/units.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace {

// What printf shows in the C locale, the reference the formatters must match.
std::string PrintfClock(uint32_t clock) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0.2f", static_cast<double>(clock) * 0.01);
    return buffer;
}

TEST(FormatClockMHz, ShowsHundredthsWithTwoDecimals) {
    const struct {
        uint32_t clock;
        const char* shown;
    } cases[] = {
        {50000, "500.00"},
        {999, "9.99"},
        {5, "0.05"},
        {0, "0.00"},
        {100, "1.00"},
        {101, "1.01"},
        {4294967295u, "42949672.95"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatClockMHz(c.clock), c.shown) << c.clock;
}

TEST(FormatClockMHz, MatchesPrintfInTheCLocaleAcrossTheRange) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    std::vector<uint32_t> clocks;
    for (uint32_t clock = 0; clock <= 500'000; ++clock) clocks.push_back(clock);
    // A stride that is prime and not a multiple of 100 reaches every pair of decimals.
    for (uint64_t clock = 500'001; clock <= UINT32_MAX; clock += 2053) {
        clocks.push_back(static_cast<uint32_t>(clock));
    }
    for (int bit = 10; bit < 32; ++bit) {
        const uint64_t power = uint64_t{1} << bit;
        for (uint64_t clock = power - 300; clock <= power + 300; ++clock) {
            clocks.push_back(static_cast<uint32_t>(clock));
        }
    }
    for (uint64_t clock = UINT32_MAX - 20'000; clock <= UINT32_MAX; ++clock) {
        clocks.push_back(static_cast<uint32_t>(clock));
    }
    size_t mismatches = 0;
    for (const uint32_t clock : clocks) {
        if (FormatClockMHz(clock) != PrintfClock(clock) && ++mismatches <= 5) {
            ADD_FAILURE() << clock << ": " << FormatClockMHz(clock) << " vs " << PrintfClock(clock);
        }
    }
    EXPECT_EQ(mismatches, 0u) << "of " << clocks.size() << " clocks";
}

TEST(FormatVolts, MatchesPrintfThreeDecimals) {
    EXPECT_EQ(FormatVolts(1.4), "1.400");
    const double volts[] = {0.0,    -0.0,  1.4,  0.9125, 1.0005, 1.0015,    0.0625,
                            0.0005, -1.25, 1e-9, 1.9999, 2.9995, 123456.789};
    for (const double v : volts) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%0.3f", v);
        EXPECT_EQ(FormatVolts(v), expected) << v;
    }
}

TEST(FormatDecimal, MatchesPrintfForEachNumberOfDecimals) {
    const double values[] = {0.0, -0.0, 0.5, 1.5, 2.5, -2.675, 0.125, 1e-7, 99.995, 1234567.891};
    for (int decimals = 0; decimals <= 6; ++decimals) {
        for (const double v : values) {
            char expected[64];
            std::snprintf(expected, sizeof expected, "%0.*f", decimals, v);
            EXPECT_EQ(FormatDecimal(v, decimals), expected) << v << " with " << decimals;
        }
    }
    EXPECT_EQ(FormatDecimal(1e308, 64).size(), 309u + 1u + 64u);
}

// Bit patterns, so that -0.0 and 0.0 differ and the sign is checked too.
uint64_t Bits(double value) {
    return std::bit_cast<uint64_t>(value);
}

TEST(ReadDecimal, ReadsAsStrtodDoesInTheCLocale) {
    const std::string longDigits(400, '7');
    const std::string hugeMantissa = "1" + std::string(400, '0') + "e-390";
    const std::string tinyMantissa = "0." + std::string(400, '0') + "1e400";
    const std::string inputs[] = {"450.9",
                                  "  \t\n\v\f\r-0.5",
                                  "+12abc",
                                  "abc",
                                  "",
                                  "   ",
                                  "-",
                                  "+",
                                  ".",
                                  ".5",
                                  "5.",
                                  "-.5e1",
                                  "1e",
                                  "1e+",
                                  "1e-2x",
                                  "1E3",
                                  "00012",
                                  "1..2",
                                  "--1",
                                  "+-1",
                                  "- 1",
                                  "1,5",
                                  "-0",
                                  "12 34",
                                  "1e400",
                                  "-1e400",
                                  "1e-400",
                                  "-1e-400",
                                  "4e-320",
                                  "0e999999999999999999999",
                                  "1e99999999999999999999999",
                                  "1e-99999999999999999999999",
                                  longDigits,
                                  hugeMantissa,
                                  tinyMantissa,
                                  "2147483648",
                                  "1.7976931348623157e308",
                                  "1.7976931348623159e308"};
    for (const std::string& input : inputs) {
        char* strtodEnd = nullptr;
        const double expected = std::strtod(input.c_str(), &strtodEnd);
        const char* end = nullptr;
        const double read = ReadDecimal(input.c_str(), &end);
        EXPECT_EQ(Bits(read), Bits(expected)) << '"' << input << "\" read " << read;
        EXPECT_EQ(end - input.c_str(), strtodEnd - input.c_str()) << '"' << input << '"';
    }
}

TEST(ReadDecimal, LeavesHexadecimalInfinityAndNanUnread) {
    const struct {
        const char* input;
        ptrdiff_t stop;  // where reading stops; 0 when no number was read
    } cases[] = {
        {"0x10", 1}, {"-0X1p3", 2}, {"inf", 0}, {"-infinity", 0}, {"nan", 0}, {"NAN(123)", 0},
    };
    for (const auto& c : cases) {
        const char* end = nullptr;
        EXPECT_EQ(ReadDecimal(c.input, &end), 0.0) << c.input;
        EXPECT_EQ(end - c.input, c.stop) << c.input;
    }
    EXPECT_EQ(ReadDecimal(nullptr), 0.0);
}

TEST(TruncateToInt32, TruncatesTowardZeroAndClamps) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        int32_t expected;
    } cases[] = {
        {450.9, 450},
        {-450.9, -450},
        {-0.5, 0},
        {2147483647.9, INT32_MAX},
        {2147483648.0, INT32_MAX},
        {1e30, INT32_MAX},
        {inf, INT32_MAX},
        {-2147483648.9, INT32_MIN},
        {-2147483649.0, INT32_MIN},
        {-1e30, INT32_MIN},
        {-inf, INT32_MIN},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(TruncateToInt32(c.value), c.expected) << c.value;
}

// Switches the process to a locale whose decimal separator is a comma, as a
// front end does from the environment, and back to "C" afterwards. When the
// machine has none installed, one is compiled into a temporary directory.
class CommaLocale : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_ALL, name) != nullptr) return;
        }
        if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE")) {
            GTEST_SKIP() << "no comma locale installed and no locale source to compile one";
        }
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + generated_.File("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            GTEST_SKIP() << "no comma locale installed and localedef could not compile one";
        }
        setenv("LOCPATH", generated_.path().c_str(), 1);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            GTEST_SKIP() << "the compiled comma locale could not be selected";
        }
    }
    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }

  private:
    TempDir generated_;
};

TEST_F(CommaLocale, NumbersKeepThePoint) {
    // The premise: printf and strtod now follow the comma.
    char printed[16];
    std::snprintf(printed, sizeof printed, "%0.2f", 1.5);
    ASSERT_STREQ(printed, "1,50");
    ASSERT_EQ(std::strtod("1,5", nullptr), 1.5);

    EXPECT_EQ(FormatClockMHz(50000), "500.00");
    EXPECT_EQ(FormatClockMHz(4294967295u), "42949672.95");
    EXPECT_EQ(FormatVolts(1.4), "1.400");
    EXPECT_EQ(ReadDecimal("450.9"), 450.9);
    const char* text = "450,9";
    const char* end = nullptr;
    EXPECT_EQ(ReadDecimal(text, &end), 450.0);
    EXPECT_EQ(end, text + 3);
}

}  // namespace
