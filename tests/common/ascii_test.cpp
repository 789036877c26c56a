// ASCII case and trim helpers: letters change case, every other byte (UTF-8 included) stays,
// and each trim drops exactly the blanks it is given.
#include "common/ascii.h"

#include <gtest/gtest.h>

namespace orv::ascii {
namespace {

TEST(Ascii, CaseMapsLettersOnly) {
    EXPECT_EQ(ToUpper("abc\xe9-z[_]"), "ABC\xe9-Z[_]");
    EXPECT_EQ(ToLower("ABC\xc9-Z[_]"), "abc\xc9-z[_]");
    EXPECT_EQ(ToLower('@'), '@');
    EXPECT_EQ(ToUpper('`'), '`');
    EXPECT_EQ(ToLower(std::string_view()), "");
}

TEST(Ascii, ComparisonsIgnoreLetterCaseOnly) {
    struct Case {
        std::string_view a, b;
        bool equal, starts, contains;
    };
    const Case cases[] = {
        {"Content-Type", "content-type", true, true, true},
        {"Content-Type", "content", false, true, true},
        {"content", "Content-Type", false, false, false},
        {"Basic realm, Digest", "DIGEST", false, false, true},
        {"\xc9t\xe9", "\xe9T\xe9", false, false, false},  // no case beyond ASCII
        {"[x]", "{X}", false, false, false},
        {"", "", true, true, true},
        {"abc", "", false, true, true},
        {"", "a", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
        EXPECT_EQ(StartsWithNoCase(c.a, c.b), c.starts) << c.a << " / " << c.b;
        EXPECT_EQ(ContainsNoCase(c.a, c.b), c.contains) << c.a << " / " << c.b;
    }
}

TEST(Ascii, CompareNoCaseOrdersOnUpperCaseBytes) {
    EXPECT_EQ(CompareNoCase("abc", "ABC"), 0);
    EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
    EXPECT_GT(CompareNoCase("b", "A"), 0);
    EXPECT_GT(CompareNoCase("_", "z"), 0);  // "_" comes after the upper-case letters
    EXPECT_GT(CompareNoCase("\xe9", "z"), 0);
}

TEST(Ascii, TrimDropsOnlyTheGivenBlanks) {
    struct Case {
        std::string_view text, blanks, both, left, right;
    };
    const Case cases[] = {
        {"  a b  ", " ", "a b", "a b  ", "  a b"},
        {"\t a\r\n", " \t", "a\r\n", "a\r\n", "\t a\r\n"},
        {"\f\va\v\f", " \t\r\f\v", "a", "a\v\f", "\f\va"},
        {"   ", " ", "", "", ""},
        {"", " ", "", "", ""},
        {"a", "", "a", "a", "a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Trim(c.text, c.blanks), c.both) << '"' << c.text << '"';
        EXPECT_EQ(TrimLeft(c.text, c.blanks), c.left) << '"' << c.text << '"';
        EXPECT_EQ(TrimRight(c.text, c.blanks), c.right) << '"' << c.text << '"';
    }
}

}  // namespace
}  // namespace orv::ascii
