#include "support/JsonView.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vkr {
namespace {

std::string Flag(bool value) { return value ? "true" : "false"; }

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ",") + name;
    return joined;
}

// A resolution service's answer, the view's main use.
const char* const kAnswer =
    R"({"code":200,"dow":"http://127.0.0.1/f.jar","msg":"\u89e3\u6790\u6210\u529f","rate":1.5,)"
    R"("n13":1234567890123,"n14":12345678901234,"ok":true,"none":null,"list":[1,2,3],"o":{"a":1,"b":2}})";
const char* const kArray = R"(["p",{"k":"v"},7])";

// Each path rule on the paths that tell the rules apart: empty, "[1]", "list".
TEST(JsonView, PathRules) {
    struct Case {
        const char* fixture;
        const char* operation;
        std::function<std::string(const JsonView&, const char*)> read;
        std::string empty, bracketed, member;
    } cases[] = {
        // dot rule: the empty path and a leading "[" designate nothing
        {kArray, "GetJson", [](const JsonView& v, const char* p) { return v.GetJson(p); }, "", "", ""},
        {kAnswer, "GetJson", [](const JsonView& v, const char* p) { return v.GetJson(p); }, "", "", "[1,2,3]"},
        {kAnswer, "Exists", [](const JsonView& v, const char* p) { return Flag(v.Exists(p)); }, "false", "false",
         "true"},
        // bracket rule: a leading "[" reads the top-level array
        {kArray, "GetText", [](const JsonView& v, const char* p) { return v.GetText(p, true); }, "", R"({"k":"v"})",
         ""},
        {kArray, "GetObject", [](const JsonView& v, const char* p) { return v.GetObject(p).ToText(); }, "null",
         R"({"k":"v"})", "null"},
        // root or dot rule: the empty path is the whole value
        {kArray, "TypeOf", [](const JsonView& v, const char* p) { return std::to_string(v.TypeOf(p)); }, "5", "-1",
         "0"},
        {kAnswer, "TypeOf", [](const JsonView& v, const char* p) { return std::to_string(v.TypeOf(p)); }, "4", "-1",
         "5"},
        {kArray, "GetElementText", [](const JsonView& v, const char* p) { return v.GetElementText(0, p); }, "p", "",
         ""},
        // root or bracket rule
        {kArray, "Count", [](const JsonView& v, const char* p) { return std::to_string(v.Count(p)); }, "3", "1", "0"},
        {kAnswer, "Count", [](const JsonView& v, const char* p) { return std::to_string(v.Count(p)); }, "10", "0",
         "3"},
    };
    for (const Case& c : cases) {
        JsonView view;
        ASSERT_TRUE(view.Parse(c.fixture));
        EXPECT_EQ(c.read(view, ""), c.empty) << c.operation << " on the empty path";
        EXPECT_EQ(c.read(view, "[1]"), c.bracketed) << c.operation << " on [1]";
        EXPECT_EQ(c.read(view, "list"), c.member) << c.operation << " on list";
    }
}

TEST(JsonView, ReadingTheAnswer) {
    JsonView view;
    ASSERT_TRUE(view.Parse(kAnswer));
    struct Case {
        const char* path;
        bool asJson;
        std::string expected;
    } cases[] = {
        {"code", false, "200"},  // the download run compares this with "200"
        {"rate", false, "1.5"},
        {"n13", false, "1234567890123"},
        {"n14", false, "1.234567890123e+13"},
        {"dow", false, "http://127.0.0.1/f.jar"},
        {"dow", true, R"("http://127.0.0.1/f.jar")"},
        {"msg", false, "\xBD\xE2\xCE\xF6\xB3\xC9\xB9\xA6"},  // CP936 text
        {"ok", false, "true"},
        {"none", false, ""},
        {"missing", false, ""},
        {"missing.deeper", false, ""},
        {"o.b", false, "2"},
        {"o['a']", false, "1"},
        {"list[2]", false, "3"},
        {"", false, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(view.GetText(c.path, c.asJson), c.expected) << c.path;
    EXPECT_EQ(view.GetNumber("code"), 200);
    EXPECT_EQ(view.GetNumber("missing"), 0);
}

struct WriteCase {
    const char* name;
    const char* fixture;  // nullptr: a fresh view
    std::function<void(JsonView&)> write;
    std::string expected;
};

TEST(JsonView, Writing) {
    const WriteCase cases[] = {
        {"fresh view", nullptr, [](JsonView&) {}, "{}"},
        {"Reset to an array", nullptr, [](JsonView& v) { v.Reset(5); }, "[]"},
        {"Reset with kind 3 changes nothing", R"({"a":1})", [](JsonView& v) { v.Reset(3); }, R"({"a":1})"},
        {"Reset to an object", "[1]", [](JsonView& v) { v.Reset(0); }, "{}"},
        {"Clear", "[1]", [](JsonView& v) { v.Clear(); }, "{}"},
        {"invalid text leaves null", nullptr, [](JsonView& v) { v.Parse("not json"); }, "null"},
        {"SetValue of a text", nullptr, [](JsonView& v) { v.SetValue("t", "x"); }, R"({"t":"x"})"},
        {"SetValue with an apostrophe changes nothing", R"({"t":"x"})", [](JsonView& v) { v.SetValue("t", "it's"); },
         R"({"t":"x"})"},
        {"SetValue with a line break changes nothing", nullptr, [](JsonView& v) { v.SetValue("t", "a\nb"); }, "{}"},
        {"SetValue decodes a backslash sequence", nullptr, [](JsonView& v) { v.SetValue("t", "a\\tb\\\\c"); },
         R"({"t":"a\tb\\c"})"},
        {"SetValue as JSON replaces", R"({"o":{"a":1}})", [](JsonView& v) { v.SetValue("o", R"({"b":2})", true); },
         R"({"o":{"b":2}})"},
        {"SetValue as JSON of an empty text", nullptr, [](JsonView& v) { v.SetValue("o", "", true); },
         R"({"o":{}})"},
        {"SetValue with the empty path changes nothing", nullptr, [](JsonView& v) { v.SetValue("", "x"); }, "{}"},
        {"SetJson", nullptr, [](JsonView& v) { v.SetJson("l", "[1,{\"k\":null}]"); }, R"({"l":[1,{"k":null}]})"},
        {"SetJson of a script expression changes nothing", nullptr, [](JsonView& v) { v.SetJson("l", "1+1"); },
         "{}"},
        {"SetNumber by %.13g", nullptr,
         [](JsonView& v) {
             v.SetNumber("a", 200);
             v.SetNumber("b", 2.0 / 3.0);
         },
         R"({"a":200,"b":0.6666666666667})"},
        {"a path through a missing member changes nothing", nullptr, [](JsonView& v) { v.SetValue("a.b", "x"); },
         "{}"},
        {"Push onto a member that is not an array replaces it", R"({"l":"old"})",
         [](JsonView& v) { v.Push("x", "l"); }, R"({"l":["x"]})"},
        {"Push onto the whole value", nullptr,
         [](JsonView& v) {
             v.Push("1", "", true);
             v.Push("two");
         },
         R"([1,"two"])"},
        {"SetElement of the whole array", "[1,2]", [](JsonView& v) { v.SetElement(1, "x"); }, R"([1,"x"])"},
        {"SetElement raw beyond the end", "[1]", [](JsonView& v) { v.SetElement(2, "true", true); },
         "[1,null,true]"},
        {"SetElement of an object names a member", "{}", [](JsonView& v) { v.SetElement(0, "x"); },
         R"({"0":"x"})"},
        {"RemoveElement", "[1,2,3]", [](JsonView& v) { v.RemoveElement(0); }, "[2,3]"},
        {"RemoveElement of an object changes nothing", R"({"a":1})", [](JsonView& v) { v.RemoveElement(0); },
         R"({"a":1})"},
        {"RemovePathElement", R"({"list":[1,2,3]})", [](JsonView& v) { v.RemovePathElement("list[1]"); },
         R"({"list":[1,3]})"},
        {"RemovePathElement of a dotted path", R"({"data":{"items":["a","b"]}})",
         [](JsonView& v) { v.RemovePathElement("data.items[0]"); }, R"({"data":{"items":["b"]}})"},
        {"RemovePathElement removes the element the path names", R"({"a":[[1,2,3],[4]]})",
         [](JsonView& v) { v.RemovePathElement("a[0][2]"); }, R"({"a":[[1,2],[4]]})"},
        {"RemovePathElement of a missing array adds nothing", R"({"k":1})",
         [](JsonView& v) { v.RemovePathElement("list[0]"); }, R"({"k":1})"},
        {"RemovePathElement without an index changes nothing", R"({"list":[1]})",
         [](JsonView& v) { v.RemovePathElement("list[x]"); }, R"({"list":[1]})"},
        {"SetRoot raw and as a text", nullptr,
         [](JsonView& v) {
             v.SetRoot(R"({"r":1})", true);
             v.SetRoot("plain");
         },
         R"("plain")"},
        {"SetRoot of what is not JSON changes nothing", R"({"r":1})", [](JsonView& v) { v.SetRoot("r+1", true); },
         R"({"r":1})"},
    };
    for (const WriteCase& c : cases) {
        JsonView view;
        if (c.fixture) {
            ASSERT_TRUE(view.Parse(c.fixture)) << c.name;
        }
        c.write(view);
        EXPECT_EQ(view.ToText(), c.expected) << c.name;
    }
}

TEST(JsonView, MemberNamesOfObjectsAndArrays) {
    JsonView view;
    view.SetValue("a", "1");
    view.SetValue("b", "2");
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(view.MemberNames(names), 2);
    EXPECT_EQ(Joined(names), "a,b");

    ASSERT_TRUE(view.Parse(kAnswer));
    EXPECT_EQ(view.MemberNames(names, "list"), 3);
    EXPECT_EQ(Joined(names), "0,1,2");
    EXPECT_EQ(view.MemberNames(names, "code"), 0);
    EXPECT_TRUE(names.empty());
}

TEST(JsonView, ElementsOfAPath) {
    JsonView view;
    ASSERT_TRUE(view.Parse(R"({"items":[{"id":1},"s",2.5]})"));
    EXPECT_EQ(view.GetElementObject(0, "items").GetText("id"), "1");
    EXPECT_EQ(view.GetElementObject(5, "items").ToText(), "null");
    EXPECT_EQ(view.GetElementText(1, "items"), "s");
    EXPECT_EQ(view.GetElementText(1, "items", true), "\"s\"");
    EXPECT_EQ(view.GetElementText(2, "items"), "2.5");
}

TEST(JsonView, CopyIsIndependent) {
    JsonView original;
    original.SetValue("k", "v");
    JsonView copy = original;
    copy.SetValue("k", "changed");
    EXPECT_EQ(original.ToText(), R"({"k":"v"})");
    EXPECT_EQ(copy.ToText(), R"({"k":"changed"})");
}

}  // namespace
}  // namespace vkr
