#include "tools/mirai-standin/MessageChain.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/mirai-standin/ApiError.h"

namespace vkr::standin {

namespace {

constexpr std::array<const char*, 15> kFaceNames = {
    "惊讶", "撇嘴", "色", "发呆", "得意", "流泪", "害羞", "闭嘴",
    "睡", "大哭", "尴尬", "发怒", "调皮", "呲牙", "微笑"};

constexpr std::array<const char*, 16> kPokeNames = {
    "ChuoYiChuo", "BiXin", "DianZan", "XinSui", "LiuLiuLiu", "FangDaZhao", "BaoBeiQiu", "Rose",
    "ZhaoHuanShu", "RangNiPi", "JieYin", "ShouLei", "GouYin", "ZhuaYiXia", "SuiPing", "QiaoMen"};

constexpr int kUnknownFace = 255;

std::string FaceName(int faceId) {
    if (faceId >= 0 && faceId < static_cast<int>(kFaceNames.size())) return kFaceNames[faceId];
    return "未知表情";
}

int FaceIdByName(const std::string& name) {
    for (size_t i = 0; i < kFaceNames.size(); ++i) {
        if (name == kFaceNames[i]) return static_cast<int>(i);
    }
    return kUnknownFace;
}

bool IsKnownPoke(const std::string& name) {
    for (const char* poke : kPokeNames) {
        if (name == poke) return true;
    }
    return false;
}

bool IsLong(const Json& value) { return value.is_number_integer(); }

bool IsInt(const Json& value) {
    if (!value.is_number_integer()) return false;
    if (value.is_number_unsigned()) return value.get<uint64_t>() <= INT32_MAX;
    int64_t number = value.get<int64_t>();
    return number >= INT32_MIN && number <= INT32_MAX;
}

using Check = bool (*)(const Json&);

struct MemberRule {
    const char* name;
    Check check;
    bool required;
};

struct ElementRule {
    const char* type;
    std::vector<MemberRule> members;
};

bool IsString(const Json& value) { return value.is_string(); }
bool Anything(const Json&) { return true; }

const std::vector<ElementRule>& ElementRules() {
    static const std::vector<ElementRule> rules = {
        {"Plain", {{"text", IsString, true}}},
        {"Image", {{"imageId", IsString, false}, {"url", IsString, false}, {"path", IsString, false}}},
        {"FlashImage", {{"imageId", IsString, false}, {"url", IsString, false}, {"path", IsString, false}}},
        {"At", {{"target", IsLong, true}, {"display", Anything, false}}},
        {"AtAll", {{"target", IsLong, false}}},
        {"Face", {{"faceId", IsInt, false}, {"name", IsString, false}}},
        {"Xml", {{"xml", IsString, true}}},
        {"Json", {{"json", IsString, true}}},
        {"App", {{"content", IsString, true}}},
        {"Poke", {{"name", IsString, true}}},
        {"Quote", {}},
        {"Source", {}},
    };
    return rules;
}

void CheckElement(const Json& element) {
    if (!element.is_object() || !element.contains("type") || !element["type"].is_string()) {
        throw ApiError::BadRequest();
    }
    const std::string type = element["type"].get<std::string>();
    for (const ElementRule& rule : ElementRules()) {
        if (type != rule.type) continue;
        for (const MemberRule& member : rule.members) {
            auto found = element.find(member.name);
            bool absent = found == element.end() || found->is_null();
            if (absent ? member.required : !member.check(*found)) throw ApiError::BadRequest();
        }
        return;
    }
    throw ApiError::BadRequest();
}

std::string TextOr(const Json& element, const char* name) {
    auto found = element.find(name);
    return found != element.end() && found->is_string() ? found->get<std::string>() : "";
}

bool IsBlank(const std::string& text) { return text.find_first_not_of(" \t\r\n") == std::string::npos; }

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Json ImageElement(const std::string& type, const std::string& imageId, const std::string& url) {
    Json image;
    image["type"] = type;
    image["imageId"] = imageId;
    image["url"] = url;
    image["path"] = nullptr;
    return image;
}

// nullopt: the element carries nothing to send and is dropped.
std::optional<Json> ConvertImage(const std::string& type, const Json& element, const ChainContext& context) {
    std::string imageId = TextOr(element, "imageId");
    if (!IsBlank(imageId)) return ImageElement(type, imageId, ImageUrlFor(imageId));
    std::string url = TextOr(element, "url");
    if (!IsBlank(url)) return ImageElement(type, ImageIdFor(url), url);
    std::string path = TextOr(element, "path");
    if (IsBlank(path)) return std::nullopt;
    std::filesystem::path file = std::filesystem::absolute(context.imagesDir / path);
    std::optional<std::string> bytes = ReadFile(file);
    if (!bytes || std::filesystem::is_directory(file)) {
        throw ApiError::State(6, "文件不存在：" + file.string());
    }
    imageId = ImageIdFor(*bytes);
    return ImageElement(type, imageId, ImageUrlFor(imageId));
}

Json ConvertAt(const Json& element, const ChainContext& context) {
    if (context.kind != MessageKind::Group) {
        const char* contact = context.kind == MessageKind::Friend ? "FriendImpl" : "MemberImpl";
        throw ApiError::Internal("java.lang.ClassCastException",
                                 std::string("class net.mamoe.mirai.internal.contact.") + contact +
                                     " cannot be cast to class net.mamoe.mirai.contact.Group");
    }
    int64_t target = element["target"].get<int64_t>();
    if (context.group == nullptr || context.group->FindMember(target) == nullptr) throw ApiError::State(5);
    Json at;
    at["type"] = "At";
    at["target"] = target;
    at["display"] = "";
    return at;
}

Json ConvertFace(const Json& element) {
    int faceId = element.contains("faceId") && element["faceId"].is_number_integer()
                     ? element["faceId"].get<int>()
                     : -1;
    if (faceId < 0) {
        std::string name = TextOr(element, "name");
        faceId = name.empty() ? kUnknownFace : FaceIdByName(name);
    }
    Json face;
    face["type"] = "Face";
    face["faceId"] = faceId;
    face["name"] = FaceName(faceId);
    return face;
}

Json TextElement(const char* type, const char* member, const std::string& text) {
    Json element;
    element["type"] = type;
    element[member] = text;
    return element;
}

std::optional<Json> ConvertElement(const Json& element, const ChainContext& context) {
    const std::string type = element["type"].get<std::string>();
    if (type == "Plain") return TextElement("Plain", "text", TextOr(element, "text"));
    if (type == "Image" || type == "FlashImage") return ConvertImage(type, element, context);
    if (type == "At") return ConvertAt(element, context);
    if (type == "AtAll") return Json{{"type", "AtAll"}, {"target", 0}};
    if (type == "Face") return ConvertFace(element);
    // Every service message comes back as Xml, JSON cards included.
    if (type == "Xml") return TextElement("Xml", "xml", TextOr(element, "xml"));
    if (type == "Json") return TextElement("Xml", "xml", TextOr(element, "json"));
    if (type == "App") return TextElement("App", "content", TextOr(element, "content"));
    if (type == "Poke") {
        std::string name = TextOr(element, "name");
        return TextElement("Poke", "name", IsKnownPoke(name) ? name : "ChuoYiChuo");
    }
    return std::nullopt;  // Quote and Source: replies use the request's "quote"
}

uint64_t Fnv1a(const std::string& bytes, uint64_t seed) {
    uint64_t hash = 14695981039346656037ull ^ seed;
    for (unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    return hash;
}

}  // namespace

std::vector<Json> ParseOutgoingChain(const Json& chain) {
    if (!chain.is_array()) throw ApiError::BadRequest();
    std::vector<Json> elements;
    for (const Json& element : chain) {
        CheckElement(element);
        elements.push_back(element);
    }
    return elements;
}

Json ConvertChain(const std::vector<Json>& elements, const ChainContext& context) {
    Json chain = Json::array();
    for (const Json& element : elements) {
        if (std::optional<Json> converted = ConvertElement(element, context)) chain.push_back(*converted);
    }
    return chain;
}

std::string ChainSummary(const Json& chain) {
    std::string text;
    for (const Json& element : chain) {
        const std::string type = element.value("type", "");
        if (type == "Plain") text += element.value("text", "");
        else if (type == "Image") text += "[mirai:image:" + element.value("imageId", "") + "]";
        else if (type == "FlashImage") text += "[mirai:flash:" + element.value("imageId", "") + "]";
        else if (type == "At") text += "[mirai:at:" + std::to_string(element.value("target", int64_t{0})) + "]";
        else if (type == "AtAll") text += "[mirai:atall]";
        else if (type == "Face") text += "[mirai:face:" + std::to_string(element.value("faceId", 0)) + "]";
        else if (type == "Xml") text += "[mirai:service:60," + element.value("xml", "") + "]";
        else if (type == "App") text += "[mirai:app:" + element.value("content", "") + "]";
        else if (type == "Poke") text += "[mirai:poke:" + element.value("name", "") + "]";
    }
    std::string shown;
    for (char c : text) {
        if (c == '\n') shown += "\\n";
        else if (c != '\r') shown += c;
    }
    return shown;
}

size_t ChainTextSize(const Json& chain) {
    size_t size = 0;
    for (const Json& element : chain) {
        for (const char* member : {"text", "xml", "content"}) size += TextOr(element, member).size();
    }
    return size;
}

std::string ImageIdFor(const std::string& bytes) {
    char id[64];
    uint64_t high = Fnv1a(bytes, 0);
    uint64_t low = Fnv1a(bytes, 0x9E3779B97F4A7C15ull);
    std::snprintf(id, sizeof id, "{%08X-%04X-%04X-%04X-%012llX}.mirai", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48),
                  static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFull));
    return id;
}

std::string ImageUrlFor(const std::string& imageId) {
    // The hex digits of the id's name part: "{0A1B-...}.mirai" gives "0A1B...".
    std::string hex;
    for (char c : imageId.substr(0, imageId.find('.'))) {
        if (std::isxdigit(static_cast<unsigned char>(c))) hex += c;
    }
    return "http://gchat.qpic.cn/gchatpic_new/0/0-0-" + hex + "/0?term=2";
}

}  // namespace vkr::standin
