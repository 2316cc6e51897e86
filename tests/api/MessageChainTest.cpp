#include "api/MessageChain.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace vkr {
namespace {

TEST(MessageChain, EachBuilderAppendsItsElement) {
    struct Case {
        const char* name;
        std::function<void(MessageChain&)> add;
        std::string element;
    } cases[] = {
        {"Plain", [](MessageChain& c) { c.AddPlain("hi"); }, R"({"type":"Plain","text":"hi"})"},
        {"ImageById", [](MessageChain& c) { c.AddImageById("{A}.mirai"); }, R"({"type":"Image","imageId":"{A}.mirai"})"},
        {"ImageByUrl", [](MessageChain& c) { c.AddImageByUrl("http://x/a.png"); }, R"({"type":"Image","url":"http://x/a.png"})"},
        {"ImageByPath", [](MessageChain& c) { c.AddImageByPath("a.png"); }, R"({"type":"Image","path":"a.png"})"},
        {"FlashById", [](MessageChain& c) { c.AddFlashImageById("i"); }, R"({"type":"FlashImage","imageId":"i"})"},
        {"FlashByUrl", [](MessageChain& c) { c.AddFlashImageByUrl("u"); }, R"({"type":"FlashImage","url":"u"})"},
        {"FlashByPath", [](MessageChain& c) { c.AddFlashImageByPath("p"); }, R"({"type":"FlashImage","path":"p"})"},
        {"Xml", [](MessageChain& c) { c.AddXml("<a x=\"1\"/>"); }, R"({"type":"Xml","xml":"<a x=\"1\"/>"})"},
        {"Json as text", [](MessageChain& c) { c.AddJson(R"({"k":1})"); }, R"({"type":"Json","json":"{\"k\":1}"})"},
        {"App", [](MessageChain& c) { c.AddApp("c"); }, R"({"type":"App","content":"c"})"},
        {"Poke default", [](MessageChain& c) { c.AddPoke(); }, R"({"type":"Poke","name":"Poke"})"},
        {"Poke 5", [](MessageChain& c) { c.AddPoke(5); }, R"({"type":"Poke","name":"FangDaZhao"})"},
        {"Poke 7", [](MessageChain& c) { c.AddPoke(7); }, R"({"type":"Poke"})"},
        {"Poke -1", [](MessageChain& c) { c.AddPoke(-1); }, R"({"type":"Poke"})"},
        {"At ten digits", [](MessageChain& c) { c.AddAt(1234567890); }, R"({"type":"At","target":1234567890})"},
        {"AtAll", [](MessageChain& c) { c.AddAtAll(); }, R"({"type":"AtAll"})"},
        {"Face negative", [](MessageChain& c) { c.AddFace(-2); }, R"({"type":"Face","faceId":-2})"},
    };
    for (const auto& c : cases) {
        MessageChain chain;
        c.add(chain);
        EXPECT_EQ(chain.ToText(), "[" + c.element + "]") << c.name;
    }
}

TEST(MessageChain, EmptyUntilTheFirstElementThenAnArrayInOrder) {
    MessageChain chain;
    EXPECT_EQ(chain.ToText(), "{}");
    chain.AddPlain("a");
    chain.AddAt(1);
    EXPECT_EQ(chain.ToText(), R"([{"type":"Plain","text":"a"},{"type":"At","target":1}])");
    chain.ClearChain();
    EXPECT_EQ(chain.ToText(), "{}");
}

// Whatever the user types, the chain's JSON stays valid and loses nothing:
// JSON escapes are decoded once, any other backslash stays literal.
TEST(MessageChain, TypedTextAlwaysGivesValidJson) {
    struct Case {
        std::string typed, sent;
    } cases[] = {
        {"line\nbreak 'quote' \"double\"", "line\nbreak 'quote' \"double\""},
        {"a\\nb", "a\nb"},
        {"tab\\t", "tab\t"},
        {"C:\\qq\\zz", "C:\\qq\\zz"},
        {"form\\f", "form\f"},
        {"ends in \\", "ends in \\"},
        {"\\\\", "\\"},
    };
    for (const auto& c : cases) {
        MessageChain chain;
        chain.AddPlain(c.typed);
        const std::string text = chain.ToText();
        ASSERT_TRUE(nlohmann::json::accept(text)) << c.typed << " => " << text;
        const auto parsed = nlohmann::json::parse(text);
        ASSERT_EQ(parsed.size(), 1u) << c.typed;
        EXPECT_EQ(parsed[0]["text"], c.sent) << c.typed;
    }
}

TEST(MessageChain, ReadsReceivedChains) {
    MessageChain chain;
    chain.Load(R"([{"type":"Source","id":123,"time":1},{"type":"Quote","id":45,"senderId":1,"targetId":2,"groupId":0,)"
               R"("origin":[{"type":"Source","id":9}]},{"type":"Plain","text":"a"},{"type":"Image","imageId":"i",)"
               R"("url":"u","path":null},{"type":"Plain","text":"b"}])");
    EXPECT_EQ(chain.GetSourceId(), 123);
    EXPECT_EQ(chain.GetQuoteId(), 45);
    EXPECT_EQ(chain.GetPlainText(), "ab");
    EXPECT_EQ(chain.QuoteSource(), 123);
    EXPECT_EQ(chain.GetQuoteId(), 123);
    chain.Reset();
    EXPECT_EQ(chain.GetQuoteId(), 0);
    EXPECT_EQ(chain.ToText(), "{}");

    chain.SetQuoteId(-7);
    chain.Load(R"([{"type":"Plain","text":"no source"}])");
    EXPECT_EQ(chain.GetQuoteId(), 0);  // Load takes the quote from the chain alone
    EXPECT_EQ(chain.GetSourceId(), -1);

    chain.Load("not json");
    EXPECT_EQ(chain.GetPlainText(), "");
    EXPECT_EQ(chain.GetSourceId(), -1);
}

TEST(MessageChain, CopiesAreIndependent) {
    MessageChain original;
    original.AddPlain("a");
    original.SetQuoteId(3);
    MessageChain copy = original;
    copy.AddPlain("b");
    copy.SetQuoteId();
    EXPECT_EQ(original.ToText(), R"([{"type":"Plain","text":"a"}])");
    EXPECT_EQ(original.GetQuoteId(), 3);
    EXPECT_EQ(copy.GetQuoteId(), 0);
}

}  // namespace
}  // namespace vkr
