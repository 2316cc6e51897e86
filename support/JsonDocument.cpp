#include "support/JsonDocument.h"

#include "support/JsonPath.h"
#include "support/JsonText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

namespace vkr {

using namespace json_internal;

namespace {

// A caller's backslash is stored as U+2400 so that GetText can give the text
// back as written while ToText writes the escape sequence it starts.
std::string WithMarkers(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        if (c == '\\') out += kBackslashMarker;
        else out += c;
    }
    return out;
}

std::string WithoutMarkers(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        if (utf8.substr(pos).starts_with(kBackslashMarker)) {
            out += '\\';
            pos += kBackslashMarker.size();
        } else {
            out += utf8[pos++];
        }
    }
    return out;
}

// Merges source into target: an array takes source's elements; an object
// takes each member of source, merging into members that hold an object or
// an array and replacing the others. Anything else keeps its value.
void Merge(Json& target, const Json& source) {
    if (target.is_array()) {
        if (source.is_array()) {
            for (const Json& element : source) target.push_back(element);
        }
        return;
    }
    if (!target.is_object() || !source.is_object()) return;
    for (const auto& [name, member] : source.items()) {
        auto existing = target.find(name);
        if (existing != target.end() && existing->is_structured()) Merge(*existing, member);
        else target[name] = member;
    }
}

bool IsTruthyText(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    if (lower == "true") return true;
    std::optional<double> number = ParseNumberText(text);
    return number && *number != 0;
}

// --- paths: how a caller's path becomes the expression evaluated ----------

// ResolvePath's rule: a full expression of an existing value is taken as it
// is; otherwise the variable name is put in front.
std::string FullExpression(const Json& root, const std::string& varName, std::string_view path) {
    if (path.starts_with(varName)) {
        std::optional<Expression> expression = CompileExpression(ToUtf8(path));
        if (expression && expression->variable == varName && !IsNullOrAbsent(Find(root, expression->steps))) {
            return std::string(path);
        }
    }
    if (path.empty()) return varName;
    if (path.front() == '[') return varName + std::string(path);
    return varName + "." + std::string(path);
}

std::optional<std::vector<PathStep>> CompileFull(const std::string& varName, std::string_view fullExpression) {
    std::optional<Expression> expression = CompileExpression(ToUtf8(fullExpression));
    // Any other variable is unknown to the document: evaluating it fails.
    if (!expression || expression->variable != varName) return std::nullopt;
    return std::move(expression->steps);
}

std::optional<std::vector<PathStep>> StepsOf(const Json& root, const std::string& varName, std::string_view path) {
    return CompileFull(varName, FullExpression(root, varName, path));
}

std::optional<std::vector<PathStep>> ElementStepsOf(const Json& root, const std::string& varName, int index,
                                                    std::string_view path) {
    std::optional<std::vector<PathStep>> steps = StepsOf(root, varName, path);
    if (steps) steps->push_back(MakeStep(std::to_string(index)));
    return steps;
}

ConstLocation Locate(const Json& root, const std::string& varName, std::string_view path) {
    return FindCompiled(root, StepsOf(root, varName, path));
}

// --- values ----------------------------------------------------------------

std::string ReadAsText(const ConstLocation& location) {
    if (location.reach != Reach::Found) return {};
    return ValueText(*location.value, NumberStyle::Shortest);
}

std::string JsonOf(const ConstLocation& location) {
    if (location.reach != Reach::Found) return {};
    return FromUtf8(WriteJson(*location.value, Markers::Backslash));
}

// A document of its own made from the value's JSON text, so that escape
// sequences a caller typed are decoded there; null when nothing is there.
JsonDocument Reparsed(const ConstLocation& location) {
    JsonDocument document;
    document.Parse(JsonOf(location));
    return document;
}

}  // namespace

JsonDocument::JsonDocument() : value_(std::make_unique<Json>(Json::object())) {}

JsonDocument::~JsonDocument() = default;

JsonDocument::JsonDocument(const JsonDocument& other)
    : varName_(other.varName_), value_(std::make_unique<Json>(*other.value_)) {}

JsonDocument& JsonDocument::operator=(const JsonDocument& other) {
    if (this != &other) {
        varName_ = other.varName_;
        *value_ = *other.value_;
    }
    return *this;
}

JsonDocument::JsonDocument(JsonDocument&& other) : JsonDocument() {
    std::swap(value_, other.value_);
}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept {
    std::swap(varName_, other.varName_);
    std::swap(value_, other.value_);
    return *this;
}

void JsonDocument::InitEngine() {
    Safely(false, [&] {
        *value_ = Json::object();
        return true;
    });
}

bool JsonDocument::Parse(std::string_view json) {
    return Safely(false, [&] {
        *value_ = nullptr;
        std::optional<Json> parsed = ParseJson(ToUtf8(json));
        if (parsed) *value_ = std::move(*parsed);
        return !value_->is_null();
    });
}

bool JsonDocument::Clear() {
    return Safely(false, [&] {
        *value_ = Json::object();
        return true;
    });
}

std::string JsonDocument::ToText() const {
    return Safely(std::string(), [&] { return FromUtf8(WriteJson(*value_, Markers::Backslash)); });
}

bool JsonDocument::SetValue(std::string_view path, std::string_view value, bool asJson) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        if (!steps) return false;
        if (!asJson) return Assign(*value_, *steps, Json(WithMarkers(ToUtf8(value))));
        Location target = Find(*value_, *steps);
        if (target.reach == Reach::Found && !target.value->is_null()) {
            std::optional<Json> source = ParseJson(ToUtf8(value.empty() ? "{}" : value));
            if (!source) return false;
            Merge(*target.value, *source);
            return true;
        }
        return AssignJsonText(*value_, *steps, value);
    });
}

bool JsonDocument::SetJson(std::string_view path, std::string_view json) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        return steps && AssignJsonText(*value_, *steps, json);
    });
}

bool JsonDocument::ResolvePath(std::string& path) const {
    return Safely(false, [&] {
        path = FullExpression(*value_, varName_, path);
        return !IsNullOrAbsent(FindCompiled(*value_, CompileFull(varName_, path)));
    });
}

int JsonDocument::TypeOf(std::string_view path) const {
    return Safely(kTypeOther, [&] { return TypeCode(Locate(*value_, varName_, path)); });
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) const {
    if (asJson) return GetJson(path);
    return Safely(std::string(), [&] { return FromUtf8(WithoutMarkers(ReadAsText(Locate(*value_, varName_, path)))); });
}

int JsonDocument::MemberNames(std::vector<std::string>& names, std::string_view path) const {
    names.clear();
    return Safely(0, [&] {
        ConstLocation location = Locate(*value_, varName_, path);
        if (location.reach != Reach::Found || !location.value->is_object()) return 0;
        for (const auto& [name, member] : location.value->items()) names.push_back(FromUtf8(name));
        return CountToInt(names.size());
    });
}

int JsonDocument::Count(std::string_view path) const {
    return Safely(0, [&] {
        ConstLocation location = Locate(*value_, varName_, path);
        bool isArray = location.reach == Reach::Found && location.value->is_array();
        return isArray ? CountToInt(location.value->size()) : 0;
    });
}

JsonDocument JsonDocument::GetObject(std::string_view path) const {
    return Safely(JsonDocument(), [&] { return Reparsed(Locate(*value_, varName_, path)); });
}

bool JsonDocument::Push(std::string_view value, std::string_view path, bool raw) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        return steps && PushValue(*value_, *steps, value, raw);
    });
}

JsonDocument JsonDocument::GetElementObject(int index, std::string_view path) const {
    return Safely(JsonDocument(), [&] {
        return Reparsed(FindCompiled(*value_, ElementStepsOf(*value_, varName_, index, path)));
    });
}

std::string JsonDocument::GetElementText(int index, std::string_view path, bool asJson) const {
    return Safely(std::string(), [&] {
        ConstLocation element = FindCompiled(*value_, ElementStepsOf(*value_, varName_, index, path));
        if (asJson) return JsonOf(element);
        // Only a text element reads as text here; anything else gives nothing.
        if (element.reach != Reach::Found || !element.value->is_string()) return std::string();
        return FromUtf8(WithoutMarkers(element.value->get_ref<const std::string&>()));
    });
}

bool JsonDocument::SetElement(int index, std::string_view path, std::string_view value, bool raw) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = ElementStepsOf(*value_, varName_, index, path);
        if (!steps) return false;
        std::optional<Json> element = ValueFromCaller(value, raw);
        return element && Assign(*value_, *steps, std::move(*element));
    });
}

bool JsonDocument::RemoveElement(int index, std::string_view path) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        if (!steps) return false;
        Location target = Find(*value_, *steps);
        if (target.reach != Reach::Found || !target.value->is_array()) return false;
        SpliceOne(*target.value, index);
        return true;
    });
}

bool JsonDocument::Remove(std::string_view path) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        return steps && Delete(*value_, *steps);
    });
}

bool JsonDocument::SetNumber(std::string_view path, double value) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        return steps && AssignNumber13g(*value_, *steps, value);
    });
}

bool JsonDocument::SetBool(std::string_view path, bool value) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        return steps && Assign(*value_, *steps, Json(value));
    });
}

bool JsonDocument::SetLong(std::string_view path, std::int64_t value) {
    return Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(*value_, varName_, path);
        return steps && Assign(*value_, *steps, Json(value));
    });
}

double JsonDocument::GetNumber(std::string_view path) const {
    return Safely(0.0, [&] { return NumberOf(Locate(*value_, varName_, path)); });
}

bool JsonDocument::GetBool(std::string_view path) const {
    return Safely(false, [&] {
        ConstLocation location = Locate(*value_, varName_, path);
        if (location.reach != Reach::Found) return false;
        const Json& value = *location.value;
        if (value.is_boolean()) return value.get<bool>();
        if (value.is_number()) return value.get<double>() != 0;
        if (value.is_string()) return IsTruthyText(value.get_ref<const std::string&>());
        return false;
    });
}

std::string JsonDocument::GetJson(std::string_view path) const {
    return Safely(std::string(), [&] { return JsonOf(Locate(*value_, varName_, path)); });
}

const nlohmann::ordered_json& JsonDocument::Engine() const { return *value_; }

std::string JsonDocument::EvalText(std::string_view path) const {
    return Safely(std::string(), [&] { return FromUtf8(ReadAsText(Locate(*value_, varName_, path))); });
}

}  // namespace vkr
