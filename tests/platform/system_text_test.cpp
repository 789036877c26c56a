#include "platform/system_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

namespace orv::sys {
namespace {

TEST(ParseDecimal, TakesOnlyWholeDecimalNumbersInRange) {
    struct Case {
        const char* text;
        std::optional<int> expected;
    } cases[] = {
        {"0", 0},
        {"010", 10},  // never octal
        {"42", 42},
        {"-7", -7},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"2147483648", std::nullopt},
        {"-9999999999999999999", std::nullopt},
        {"0x10", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"+5", std::nullopt},
        {" 5", std::nullopt},
        {"5 ", std::nullopt},
        {"5;", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseDecimal<int>(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseDecimal, UnsignedTypesRefuseASign) {
    EXPECT_EQ(ParseDecimal<std::uint64_t>("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(ParseDecimal<std::uint64_t>("18446744073709551616"), std::nullopt);
    EXPECT_EQ(ParseDecimal<std::size_t>("-1"), std::nullopt);
    EXPECT_EQ(ParseDecimal<std::uint16_t>("65536"), std::nullopt);
}

TEST(ParseHex, TakesOnlyWholeHexNumbersInRange) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> expected;
    } cases[] = {
        {"0", 0u},
        {"0100007F", 0x0100007Fu},
        {"ffffffff", 0xFFFFFFFFu},
        {"00000000000A", 10u},  // leading zeros are no overflow
        {"100000000", std::nullopt},
        {"0x10", std::nullopt},
        {"-1", std::nullopt},
        {"+1", std::nullopt},
        {"", std::nullopt},
        {" 1", std::nullopt},
        {"1g", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseHex<std::uint32_t>(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ReadFileBounded, ReadsUpToTheBoundAndRefusesMore) {
    std::string path = ::testing::TempDir() + "system_text_test.txt";
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string(100000, 'x');
    }
    EXPECT_EQ(ReadFileBounded(path, 100000).value_or("").size(), 100000u);
    EXPECT_EQ(ReadFileBounded(path, 99999), std::nullopt);
    EXPECT_EQ(ReadFileBounded(path + ".missing"), std::nullopt);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace orv::sys
