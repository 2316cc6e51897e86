#include "update/Cookies.h"

#include <gtest/gtest.h>

namespace vkr {
namespace {

struct MergeCase {
    const char* name;
    std::string oldCookies;
    std::string newCookies;
    std::string merged;
    std::string newAfter;  // newCookies on return (spaces removed)
};

class CookieMerge : public testing::TestWithParam<MergeCase> {};

TEST_P(CookieMerge, MergesIntoOldAndReturns) {
    const MergeCase& c = GetParam();
    std::string oldCookies = c.oldCookies;
    std::string newCookies = c.newCookies;
    EXPECT_EQ(MergeCookies(oldCookies, newCookies), c.merged);
    EXPECT_EQ(oldCookies, c.merged);
    EXPECT_EQ(newCookies, c.newAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieMerge,
    testing::Values(MergeCase{"NewWinsDeletedDropped", "a=0; c=3", "a=1; b=deleted", "a=1; c=3", "a=1;b=deleted"},
                    MergeCase{"SpacesInsideValuesRemoved", "s=x y", "", "s=xy", ""},
                    MergeCase{"BothEmpty", "", "", "", ""},
                    MergeCase{"OnlyOld", "a=1;b=2", "", "a=1; b=2", ""},
                    MergeCase{"NamesAreCaseSensitive", "A=1", "a=2", "a=2; A=1", "a=2"},
                    MergeCase{"ExactRepeatsRemoved", "", "a=1; a=1; b=2", "a=1; b=2", "a=1;a=1;b=2"},
                    MergeCase{"TrailingSeparatorLeavesNoEmptyItem", "a=1;", "b=2;", "b=2; a=1", "b=2;"}),
    [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

struct HeaderCase {
    const char* name;
    std::string headers;
    std::string cookies;
};

class SetCookieLines : public testing::TestWithParam<HeaderCase> {};

TEST_P(SetCookieLines, CollectsNameValuePairs) {
    EXPECT_EQ(ResponseCookies(GetParam().headers), GetParam().cookies);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetCookieLines,
    testing::Values(
        HeaderCase{"AttributesDropped",
                   "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; Path=/; HttpOnly\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
        HeaderCase{"NoSetCookie", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        // Only the exact header name counts, as the routines always did.
        HeaderCase{"OtherCaseIgnored", "HTTP/1.1 200 OK\r\nset-cookie: a=1\r\n\r\n", ""}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vkr
