#pragma once
// A Mirai message chain: a JSON array of elements, each with "type" first
// and the members of its type after it, plus the id of a message to quote.
// Builders append one element each; Load and the readers serve received chains.
//
// Text values reach the chain as JsonDocument stores them: a typed backslash
// sequence with a JSON meaning (\n, \t, \\, \uXXXX...) is decoded once, any
// other backslash stays a literal backslash, so the chain's JSON is always valid.
#include <cstdint>
#include <optional>
#include <string>

#include "support/JsonDocument.h"

namespace vkr {

class MessageChain {
public:
    MessageChain() = default;

    MessageChain& Self() { return *this; }
    // The "text" of every "Plain" element, in order, joined with nothing between.
    std::string GetPlainText();
    // The "id" of the first "Source" element; -1 when there is none.
    std::int64_t GetSourceId();
    // Replaces the chain by the JSON text and takes the quote id from the
    // first "Quote" element (0 when there is none).
    void Load(const std::string& json);
    std::int64_t GetQuoteId() const { return quoteId_; }
    void SetQuoteId(std::optional<std::int32_t> id = {});
    // Quotes the message this chain came from: quote id = GetSourceId().
    std::int64_t QuoteSource();

    void AddPlain(const std::string& text);
    // The chain's JSON: "{}" until the first element, then the array.
    std::string ToText() const;
    // ClearChain and quote id 0.
    void Reset();
    void ClearChain();
    void AddImageById(const std::string& imageId);
    void AddImageByUrl(const std::string& url);
    void AddImageByPath(const std::string& path);
    void AddFlashImageById(const std::string& imageId);
    void AddFlashImageByUrl(const std::string& url);
    void AddFlashImageByPath(const std::string& path);
    void AddXml(const std::string& xml);
    // The card's JSON as a text value, not as nested JSON.
    void AddJson(const std::string& json);
    void AddApp(const std::string& content);
    // kind 0 "Poke", 1 "ShowLove", 2 "Like", 3 "Heartbroken", 4 "SixSixSix",
    // 5 "FangDaZhao"; any other kind: a "Poke" element without "name".
    void AddPoke(std::optional<std::int32_t> kind = {});
    void AddAt(std::int64_t target);
    void AddAtAll();
    void AddFace(std::int32_t faceId);

private:
    void AppendTextElement(const std::string& type, const std::string& member, const std::string& value);
    void AppendNumberElement(const std::string& type, const std::string& member, std::int64_t value);
    void AppendElement();
    // Loads element index into elementDoc_ and returns its "type".
    std::string ReadElement(int index);

    JsonDocument chainDoc_;
    JsonDocument elementDoc_;
    std::int64_t quoteId_ = 0;
};

}  // namespace vkr
