#include "support/JsonDocument.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <limits>
#include <string>

namespace vkr {
namespace {

std::string Flag(bool value) { return value ? "true" : "false"; }

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : ",") + name;
    return joined;
}

// A strict reader's view of a JSON text: whether it is valid at all.
bool IsStrictJson(const std::string& text) { return nlohmann::json::accept(text); }

const char* const kNi = "\xC4\xE3";  // "你" in CP936
const char* const kZhong = "\xD6\xD0";  // "中" in CP936

struct Case {
    const char* name;
    std::function<std::string(JsonDocument&)> run;
    std::string expected;
};

TEST(JsonDocument, Cases) {
    const Case cases[] = {
        // A fresh document.
        {"fresh text", [](JsonDocument& d) { return d.ToText(); }, "{}"},
        {"fresh count and type",
         [](JsonDocument& d) { return std::to_string(d.Count()) + " " + std::to_string(d.TypeOf()); }, "0 4"},

        // Texts: quotes, line breaks and the caller's backslash sequences.
        {"quote, apostrophe, line feed",
         [](JsonDocument& d) {
             d.SetValue("text", "a\nb'c\"d");
             return d.ToText() + " " + Flag(d.GetText("text") == "a\nb'c\"d");
         },
         R"({"text":"a\nb'c\"d"} true)"},
        {"typed backslash-t reads back, shows as written, decodes in a copy",
         [](JsonDocument& d) {
             d.SetValue("path", "x\\ty");
             return d.GetText("path") + " " + d.ToText() + " " + Flag(d.GetObject().GetText("path") == "x\ty");
         },
         R"(x\ty {"path":"x\ty"} true)"},
        {"backslash before an ordinary letter and at the end stays literal",
         [](JsonDocument& d) {
             d.SetValue("p", "a\\qb\\");
             std::string text = d.ToText();
             return text + " " + Flag(IsStrictJson(text)) + " " + d.GetObject().GetText("p");
         },
         R"({"p":"a\\qb\\"} true a\qb\)"},
        {"typed escaped quote and double backslash",
         [](JsonDocument& d) {
             d.SetValue("p", "say \\\"hi\\\" c:\\\\x");
             return d.ToText() + " " + d.GetObject().GetText("p");
         },
         R"({"p":"say \"hi\" c:\\x"} say "hi" c:\x)"},
        {"typed unicode escape decodes to the character",
         [](JsonDocument& d) {
             d.SetValue("u", "\\u4e2d");
             return d.ToText() + " " + Flag(d.GetObject().GetText("u") == kZhong);
         },
         R"({"u":"\u4e2d"} true)"},
        {"half a surrogate pair or short hex is not an escape",
         [](JsonDocument& d) {
             d.SetValue("a", "\\ud800x");
             d.SetValue("b", "\\u12");
             std::string text = d.ToText();
             return text + " " + Flag(IsStrictJson(text));
         },
         R"({"a":"\\ud800x","b":"\\u12"} true)"},
        {"typed surrogate pair stays a pair",
         [](JsonDocument& d) {
             d.SetValue("e", "\\ud83d\\ude00");
             return d.ToText();
         },
         R"({"e":"\ud83d\ude00"})"},
        {"control characters and stringify's invisible characters are escaped",
         [](JsonDocument& d) {
             d.Parse(R"({"c":"\u0001\u007f\u200c\u2028\t"})");
             return d.ToText();
         },
         R"({"c":"\u0001\u007f\u200c\u2028\t"})"},
        {"CP936 text in and out",
         [](JsonDocument& d) {
             d.SetValue("name", kNi);
             d.Parse(d.ToText());
             return Flag(d.ToText() == std::string("{\"name\":\"") + kNi + "\"}") + " " +
                    Flag(d.GetText("name") == kNi);
         },
         "true true"},

        // Numbers.
        {"13 digits by SetLong and SetNumber, 14 digits by both",
         [](JsonDocument& d) {
             d.SetLong("l13", 1234567890123);
             d.SetNumber("n13", 1234567890123.0);
             d.SetNumber("n14", 12345678901234.0);
             d.SetLong("l14", 12345678901234);
             return d.ToText();
         },
         R"({"l13":1234567890123,"n13":1234567890123,"n14":12345678901230,"l14":12345678901234})"},
        {"SetNumber keeps 13 significant digits of a fraction",
         [](JsonDocument& d) {
             d.SetNumber("x", 2.0 / 3.0);
             d.SetNumber("y", 1.5);
             return d.ToText();
         },
         R"({"x":0.6666666666667,"y":1.5})"},
        {"numbers read as text",
         [](JsonDocument& d) {
             d.Parse(R"({"a":200,"b":1.5,"c":123456789012345678,"d":1e21,"e":0.000001,"f":1e-7,"g":-0.5,"h":2.50})");
             std::string out;
             for (const char* name : {"a", "b", "c", "d", "e", "f", "g", "h"}) out += d.GetText(name) + " ";
             return out;
         },
         "200 1.5 123456789012345678 1e+21 0.000001 1e-7 -0.5 2.5 "},
        {"a large id reads whole as text, as a number and as JSON",
         [](JsonDocument& d) {
             d.Parse(R"({"id":9007199254740993})");
             return d.GetText("id") + " " + d.GetJson("id") + " " + Flag(d.GetNumber("id") == 9007199254740992.0);
         },
         "9007199254740993 9007199254740993 true"},
        {"numbers that are not finite are refused",
         [](JsonDocument& d) {
             bool written = d.SetNumber("x", std::numeric_limits<double>::infinity());
             return Flag(written) + " " + d.ToText();
         },
         "false {}"},

        // Counts and member names.
        {"count of an object and of an array",
         [](JsonDocument& d) {
             d.Parse(R"({"o":{"a":1,"b":2},"l":[1,2,3]})");
             return std::to_string(d.Count("o")) + " " + std::to_string(d.Count("l")) + " " +
                    std::to_string(d.Count("missing"));
         },
         "0 3 0"},
        {"member names in insertion order; none for an array",
         [](JsonDocument& d) {
             d.SetValue("type", "Plain");
             d.SetValue("text", "hi");
             std::vector<std::string> names{"stale"};
             int objectCount = d.MemberNames(names);
             std::string objectNames = Joined(names);
             d.Parse("[1,2]");
             int arrayCount = d.MemberNames(names);
             return std::to_string(objectCount) + " " + objectNames + " " + std::to_string(arrayCount) + " [" +
                    Joined(names) + "]";
         },
         "2 type,text 0 []"},

        // Paths.
        {"ResolvePath of da.x with and without x",
         [](JsonDocument& d) {
             std::string without = "da.x";
             bool foundWithout = d.ResolvePath(without);
             d.SetValue("x", "1");
             std::string with = "da.x";
             bool foundWith = d.ResolvePath(with);
             return without + " " + Flag(foundWithout) + " " + with + " " + Flag(foundWith);
         },
         "da.da.x false da.x true"},
        {"ResolvePath of other forms",
         [](JsonDocument& d) {
             d.Parse(R"({"data":[{"id":1}]})");
             std::string paths[] = {"", "[0]", "data[0].id", "data", "da"};
             std::string out;
             for (std::string& path : paths) {
                 bool found = d.ResolvePath(path);
                 out += Flag(found) + ":" + path + " ";
             }
             return out;
         },
         "true:da false:da[0] true:da.data[0].id true:da.data true:da "},
        {"quoted subscripts and a full expression",
         [](JsonDocument& d) {
             d.Parse(R"({"a b":{"c":"x"},"list":[{"t":"y"}]})");
             return d.GetText("[\"a b\"].c") + d.GetText("['a b']['c']") + d.GetText("da.list[0].t") +
                    d.GetText("list['0'].t");
         },
         "xxyy"},
        {"a missing parent is not created",
         [](JsonDocument& d) {
             bool written = d.SetValue("a.b", "1");
             return Flag(written) + " " + d.ToText();
         },
         "false {}"},
        {"parents made first, then the member",
         [](JsonDocument& d) {
             d.SetJson("a", "{}");
             d.SetValue("a.b", "1");
             return d.ToText();
         },
         R"({"a":{"b":"1"}})"},
        {"type codes, missing member and path through it",
         [](JsonDocument& d) {
             d.Parse(R"({"s":"t","n":1,"b":true,"z":null,"o":{},"l":[]})");
             std::string out;
             for (const char* path : {"s", "n", "b", "z", "o", "l", "missing", "missing.x", "z.x", "a..b"})
                 out += std::to_string(d.TypeOf(path)) + " ";
             return out;
         },
         "6 2 1 0 4 5 0 -1 -1 -1 "},
        {"reads through a missing member give empty values",
         [](JsonDocument& d) {
             return "[" + d.GetText("a.b") + d.GetJson("a.b") + d.EvalText("a.b") + "]" +
                    std::to_string(d.GetNumber("a.b")) + Flag(d.GetBool("a.b"));
         },
         "[]0.000000false"},

        // Arrays.
        {"Push creates the array",
         [](JsonDocument& d) {
             d.Push("x", "list");
             return d.ToText();
         },
         R"({"list":["x"]})"},
        {"Push onto a member that is not an array replaces it",
         [](JsonDocument& d) {
             d.SetValue("list", "old");
             d.Push(R"({"type":"Plain"})", "list", true);
             return d.ToText();
         },
         R"({"list":[{"type":"Plain"}]})"},
        {"Push of an element document's text onto the whole value",
         [](JsonDocument& d) {
             JsonDocument element;
             element.SetValue("type", "Plain");
             element.SetValue("text", "a\\nb");
             d.Push(element.ToText(), "", true);
             d.Push(element.ToText(), "", true);
             return std::to_string(d.Count()) + " " + d.ToText();
         },
         R"(2 [{"type":"Plain","text":"a\nb"},{"type":"Plain","text":"a\nb"}])"},
        {"non-raw Push refuses an apostrophe and a line break",
         [](JsonDocument& d) {
             bool apostrophe = d.Push("it's", "l");
             bool lineBreak = d.Push("a\nb", "l");
             return Flag(apostrophe) + Flag(lineBreak) + " " + d.ToText();
         },
         "falsefalse {}"},
        {"non-raw Push decodes script escapes",
         [](JsonDocument& d) {
             d.Push("it\\'s\\x41\\u4e2d", "l");
             return Flag(d.GetElementText(0, "l") == std::string("it'sA") + kZhong);
         },
         "true"},
        {"raw Push refuses what is not JSON",
         [](JsonDocument& d) {
             bool pushed = d.Push("alert(1)", "l", true);
             return Flag(pushed) + " " + d.ToText();
         },
         "false {}"},
        {"element texts",
         [](JsonDocument& d) {
             d.Parse(R"({"l":[5,"s",{"k":1}]})");
             return "[" + d.GetElementText(0, "l") + "][" + d.GetElementText(0, "l", true) + "][" +
                    d.GetElementText(1, "l") + "][" + d.GetElementText(2, "l", true) + "][" +
                    d.GetElementText(9, "l", true) + "]";
         },
         R"([][5][s][{"k":1}][])"},
        {"element documents",
         [](JsonDocument& d) {
             d.Parse(R"([{"type":"FriendMessage","sender":{"id":1234567890123}}])");
             JsonDocument element = d.GetElementObject(0);
             JsonDocument missing = d.GetElementObject(3);
             return element.EvalText("type") + " " + element.GetText("sender.id") + " " + missing.ToText();
         },
         "FriendMessage 1234567890123 null"},
        {"SetElement, RemoveElement and Remove",
         [](JsonDocument& d) {
             d.Parse(R"({"l":[1,2,3],"k":"v","o":{"x":1}})");
             d.SetElement(1, "l", "two");
             d.SetElement(4, "l", "[5]", true);
             d.RemoveElement(0, "l");
             d.RemoveElement(-1, "l");
             d.Remove("k");
             d.Remove("o.x");
             bool fromObject = d.RemoveElement(0, "o");
             bool whole = d.Remove("");
             return d.ToText() + " " + Flag(fromObject) + Flag(whole);
         },
         R"({"l":["two",3,null],"o":{}} falsefalse)"},

        // JSON forms of writing.
        {"SetJson and the JSON form of SetValue",
         [](JsonDocument& d) {
             d.SetJson("config", R"({"name":"g","mute":false})");
             d.SetValue("config", R"({"mute":true,"extra":[1]})", true);
             d.SetValue("fresh", R"([1,2])", true);
             return d.ToText();
         },
         R"({"config":{"name":"g","mute":true,"extra":[1]},"fresh":[1,2]})"},
        {"the JSON form merges into arrays and nested objects",
         [](JsonDocument& d) {
             d.Parse(R"({"l":[1],"o":{"in":{"a":1},"n":5}})");
             d.SetValue("l", "[2,3]", true);
             d.SetValue("o", R"({"in":{"b":2},"n":6})", true);
             return d.ToText();
         },
         R"({"l":[1,2,3],"o":{"in":{"a":1,"b":2},"n":6}})"},
        {"SetJson refuses what is not JSON; an empty text removes the member",
         [](JsonDocument& d) {
             d.SetValue("keep", "1");
             bool script = d.SetJson("keep", "new Date()");
             d.SetValue("gone", "1");
             d.SetJson("gone", "");
             return Flag(script) + " " + d.ToText();
         },
         R"(false {"keep":"1"})"},
        {"logical values",
         [](JsonDocument& d) {
             d.SetBool("t", true);
             d.SetBool("f", false);
             d.SetValue("s", "true");
             return d.ToText() + " " + Flag(d.GetBool("t")) + Flag(d.GetBool("f")) + Flag(d.GetBool("s")) + " " +
                    d.GetText("t");
         },
         R"({"t":true,"f":false,"s":"true"} truefalsetrue true)"},

        // Parsing.
        {"invalid text leaves null",
         [](JsonDocument& d) {
             bool parsed = d.Parse("not json");
             return Flag(parsed) + " " + d.ToText() + " " + std::to_string(d.TypeOf());
         },
         "false null 0"},
        {"a script expression is not evaluated",
         [](JsonDocument& d) {
             bool sum = d.Parse("1+1");
             bool quoted = d.Parse("{'a':1}");
             return Flag(sum) + Flag(quoted) + " " + d.ToText();
         },
         "falsefalse null"},
        {"JSON null parses but reports no value",
         [](JsonDocument& d) {
             bool parsed = d.Parse(" null ");
             return Flag(parsed) + " " + d.ToText();
         },
         "false null"},
        {"nesting too deep to trust is refused",
         [](JsonDocument& d) {
             std::string deep = std::string(100000, '[') + std::string(100000, ']');
             bool parsed = d.Parse(deep);
             return Flag(parsed) + " " + d.ToText();
         },
         "false null"},
        {"duplicate members keep their first place and last value",
         [](JsonDocument& d) {
             d.Parse(R"({"a":1,"b":2,"a":3})");
             return d.ToText();
         },
         R"({"a":3,"b":2})"},
        {"Clear after a failed parse",
         [](JsonDocument& d) {
             d.Parse("x");
             d.Clear();
             d.SetValue("k", "v");
             return d.ToText();
         },
         R"({"k":"v"})"},
    };
    for (const Case& c : cases) {
        JsonDocument document;
        EXPECT_EQ(c.run(document), c.expected) << c.name;
    }
}

TEST(JsonDocument, CopyIsIndependent) {
    JsonDocument original;
    original.SetValue("k", "v");
    JsonDocument copy = original;
    copy.SetValue("k", "changed");
    copy.Push("x", "list");
    EXPECT_EQ(original.ToText(), R"({"k":"v"})");
    EXPECT_EQ(copy.ToText(), R"({"k":"changed","list":["x"]})");

    JsonDocument assigned;
    assigned = original;
    original.Clear();
    EXPECT_EQ(assigned.ToText(), R"({"k":"v"})");

    JsonDocument moved = std::move(assigned);
    EXPECT_EQ(moved.ToText(), R"({"k":"v"})");
}

TEST(JsonDocument, ProducedJsonIsAlwaysValid) {
    // Whatever a caller types, the JSON text stays readable by a strict reader.
    const char* typed[] = {"\\", "\\\\\\", "a\\", "\\x41", "\\u", "\\uZZZZ", "\\udc00", "\\ud800\\u0041",
                           "\\\"", "\\/\\b\\f\\r", "\x01\x1f"};
    for (const char* text : typed) {
        JsonDocument document;
        document.SetValue("v", text);
        std::string json = document.ToText();
        EXPECT_TRUE(IsStrictJson(json)) << text << " => " << json;
        EXPECT_EQ(document.GetText("v"), text);
        EXPECT_EQ(document.GetObject().TypeOf("v"), JsonDocument::kTypeText) << text;
    }
}

TEST(JsonDocument, EngineIsTheValueTree) {
    JsonDocument document;
    document.SetLong("target", 42);
    document.SetValue("p", "a\\b");
    const auto& tree = document.Engine();
    EXPECT_EQ(tree.at("target").get<long long>(), 42);
    EXPECT_EQ(tree.at("p").get<std::string>(), "a\xE2\x90\x80" "b");
    EXPECT_EQ(document.EvalText("p"), "a?b");  // U+2400 has no CP936 form
}

}  // namespace
}  // namespace vkr
