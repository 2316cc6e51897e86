#include "api/MessageChain.h"

#include <array>

namespace vkr {

namespace {

constexpr std::array<const char*, 6> kPokeNames = {"Poke", "ShowLove", "Like", "Heartbroken", "SixSixSix", "FangDaZhao"};

}  // namespace

std::string MessageChain::ReadElement(int index) {
    elementDoc_ = chainDoc_.GetElementObject(index);
    return elementDoc_.GetText("type");
}

std::string MessageChain::GetPlainText() {
    std::string text;
    const int count = chainDoc_.Count();
    for (int i = 0; i < count; ++i)
        if (ReadElement(i) == "Plain") text += elementDoc_.GetText("text");
    return text;
}

std::int64_t MessageChain::GetSourceId() {
    const int count = chainDoc_.Count();
    for (int i = 0; i < count; ++i)
        if (ReadElement(i) == "Source") return static_cast<std::int64_t>(elementDoc_.GetNumber("id"));
    return -1;
}

void MessageChain::Load(const std::string& json) {
    chainDoc_.Clear();
    chainDoc_.Parse(json);
    quoteId_ = 0;
    const int count = chainDoc_.Count();
    for (int i = 0; i < count; ++i) {
        if (ReadElement(i) == "Quote") {
            quoteId_ = static_cast<std::int64_t>(elementDoc_.GetNumber("id"));
            return;
        }
    }
}

void MessageChain::SetQuoteId(std::optional<std::int32_t> id) { quoteId_ = id.value_or(0); }

std::int64_t MessageChain::QuoteSource() {
    quoteId_ = GetSourceId();
    return quoteId_;
}

std::string MessageChain::ToText() const { return chainDoc_.ToText(); }

void MessageChain::Reset() {
    ClearChain();
    quoteId_ = 0;
}

void MessageChain::ClearChain() { chainDoc_.Clear(); }

void MessageChain::AddPlain(const std::string& text) { AppendTextElement("Plain", "text", text); }
void MessageChain::AddImageById(const std::string& imageId) { AppendTextElement("Image", "imageId", imageId); }
void MessageChain::AddImageByUrl(const std::string& url) { AppendTextElement("Image", "url", url); }
void MessageChain::AddImageByPath(const std::string& path) { AppendTextElement("Image", "path", path); }
void MessageChain::AddFlashImageById(const std::string& imageId) {
    AppendTextElement("FlashImage", "imageId", imageId);
}
void MessageChain::AddFlashImageByUrl(const std::string& url) { AppendTextElement("FlashImage", "url", url); }
void MessageChain::AddFlashImageByPath(const std::string& path) { AppendTextElement("FlashImage", "path", path); }
void MessageChain::AddXml(const std::string& xml) { AppendTextElement("Xml", "xml", xml); }
void MessageChain::AddJson(const std::string& json) { AppendTextElement("Json", "json", json); }
void MessageChain::AddApp(const std::string& content) { AppendTextElement("App", "content", content); }

void MessageChain::AddPoke(std::optional<std::int32_t> kind) {
    const std::int32_t k = kind.value_or(0);
    elementDoc_.Clear();
    elementDoc_.SetValue("type", "Poke");
    if (k >= 0 && k < static_cast<std::int32_t>(kPokeNames.size())) elementDoc_.SetValue("name", kPokeNames[k]);
    AppendElement();
}

void MessageChain::AddAt(std::int64_t target) { AppendNumberElement("At", "target", target); }

void MessageChain::AddAtAll() {
    elementDoc_.Clear();
    elementDoc_.SetValue("type", "AtAll");
    AppendElement();
}

void MessageChain::AddFace(std::int32_t faceId) { AppendNumberElement("Face", "faceId", faceId); }

void MessageChain::AppendTextElement(const std::string& type, const std::string& member, const std::string& value) {
    elementDoc_.Clear();
    elementDoc_.SetValue("type", type);
    elementDoc_.SetValue(member, value);
    AppendElement();
}

void MessageChain::AppendNumberElement(const std::string& type, const std::string& member, std::int64_t value) {
    elementDoc_.Clear();
    elementDoc_.SetValue("type", type);
    elementDoc_.SetLong(member, value);
    AppendElement();
}

// The element's JSON is read back by the push, which decodes the typed
// backslash sequences once.
void MessageChain::AppendElement() { chainDoc_.Push(elementDoc_.ToText(), "", true); }

}  // namespace vkr
