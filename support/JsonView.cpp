#include "support/JsonView.h"

#include "support/JsonPath.h"
#include "support/JsonText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

namespace vkr {

using namespace json_internal;

namespace {

// How an operation joins the variable name n and a path p (see the header).
enum class Rule { Dot, Bracket, RootOrDot, RootOrBracket };

std::string JoinPath(Rule rule, const std::string& varName, std::string_view path) {
    bool rootWhenEmpty = rule == Rule::RootOrDot || rule == Rule::RootOrBracket;
    bool bracketJoins = rule == Rule::Bracket || rule == Rule::RootOrBracket;
    if (path.empty()) return rootWhenEmpty ? varName : varName + ".";  // "da." designates nothing
    if (path.front() == '[' && bracketJoins) return varName + std::string(path);
    return varName + "." + std::string(path);
}

std::optional<std::vector<PathStep>> StepsOf(Rule rule, const std::string& varName, std::string_view path) {
    std::optional<Expression> expression = CompileExpression(ToUtf8(JoinPath(rule, varName, path)));
    if (!expression) return std::nullopt;
    return std::move(expression->steps);
}

std::optional<std::vector<PathStep>> ElementStepsOf(Rule rule, const std::string& varName, int index,
                                                    std::string_view path) {
    std::optional<std::vector<PathStep>> steps = StepsOf(rule, varName, path);
    if (steps) steps->push_back(MakeStep(std::to_string(index)));
    return steps;
}

ConstLocation Locate(const Json& root, Rule rule, const std::string& varName, std::string_view path) {
    return FindCompiled(root, StepsOf(rule, varName, path));
}

std::string JsonOf(const ConstLocation& location) {
    if (location.reach != Reach::Found) return {};
    return FromUtf8(WriteJson(*location.value, Markers::Plain));
}

// The view reads numbers as text itself, by "%.13g".
std::string TextOf(const ConstLocation& location) {
    if (location.reach != Reach::Found) return {};
    return FromUtf8(ValueText(*location.value, NumberStyle::Format13g));
}

JsonView Reparsed(const ConstLocation& location) {
    JsonView view;
    view.Parse(JsonOf(location));
    return view;
}

// A path ending in a numeric subscript, split into the array's path and the index.
struct ElementPath {
    std::string arrayPath;
    long long index = 0;
};

std::optional<ElementPath> SplitElementPath(std::string_view path) {
    size_t open = path.rfind('[');
    if (open == std::string_view::npos || open == 0 || !path.ends_with("]")) return std::nullopt;
    std::string_view digits = path.substr(open + 1, path.size() - open - 2);
    bool negative = digits.starts_with("-");
    if (negative) digits.remove_prefix(1);
    if (digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    long long index = std::stoll(std::string(digits));
    return ElementPath{std::string(path.substr(0, open)), negative ? -index : index};
}

}  // namespace

JsonView::JsonView() : value_(std::make_unique<Json>(Json::object())) {}

JsonView::~JsonView() = default;

JsonView::JsonView(const JsonView& other) : varName_(other.varName_), value_(std::make_unique<Json>(*other.value_)) {}

JsonView& JsonView::operator=(const JsonView& other) {
    if (this != &other) {
        varName_ = other.varName_;
        *value_ = *other.value_;
    }
    return *this;
}

JsonView::JsonView(JsonView&& other) : JsonView() { std::swap(value_, other.value_); }

JsonView& JsonView::operator=(JsonView&& other) noexcept {
    std::swap(varName_, other.varName_);
    std::swap(value_, other.value_);
    return *this;
}

void JsonView::InitEngine() { Clear(); }

bool JsonView::Parse(std::string_view json) {
    return Safely(false, [&] {
        *value_ = nullptr;
        std::optional<Json> parsed = ParseJson(ToUtf8(json));
        if (parsed) *value_ = std::move(*parsed);
        return !value_->is_null();
    });
}

std::string JsonView::ToText() const {
    return Safely(std::string(), [&] { return FromUtf8(WriteJson(*value_, Markers::Plain)); });
}

void JsonView::SetValue(std::string_view path, std::string_view value, bool asJson) {
    Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(Rule::Dot, varName_, path);
        if (!steps) return false;
        std::optional<Json> parsed = ValueFromCaller(asJson && value.empty() ? "{}" : value, asJson);
        return parsed && Assign(*value_, *steps, std::move(*parsed));
    });
}

void JsonView::SetJson(std::string_view path, std::string_view json) {
    Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(Rule::Dot, varName_, path);
        return steps && AssignJsonText(*value_, *steps, json);
    });
}

void JsonView::SetNumber(std::string_view path, double value) {
    Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(Rule::Dot, varName_, path);
        return steps && AssignNumber13g(*value_, *steps, value);
    });
}

double JsonView::GetNumber(std::string_view path) const {
    return Safely(0.0, [&] { return NumberOf(Locate(*value_, Rule::Dot, varName_, path)); });
}

std::string JsonView::GetJson(std::string_view path) const {
    return Safely(std::string(), [&] { return JsonOf(Locate(*value_, Rule::Dot, varName_, path)); });
}

std::string JsonView::GetText(std::string_view path, bool asJson) const {
    return Safely(std::string(), [&] {
        ConstLocation location = Locate(*value_, Rule::Bracket, varName_, path);
        return asJson ? JsonOf(location) : TextOf(location);
    });
}

JsonView JsonView::GetObject(std::string_view path) const {
    return Safely(JsonView(), [&] { return Reparsed(Locate(*value_, Rule::Bracket, varName_, path)); });
}

int JsonView::Count(std::string_view path) const {
    return Safely(0, [&] {
        ConstLocation location = Locate(*value_, Rule::RootOrBracket, varName_, path);
        bool counted = location.reach == Reach::Found && location.value->is_structured();
        return counted ? CountToInt(location.value->size()) : 0;
    });
}

void JsonView::Push(std::string_view value, std::string_view path, bool raw) {
    Safely(false, [&] {
        std::optional<std::vector<PathStep>> steps = StepsOf(Rule::RootOrDot, varName_, path);
        return steps && PushValue(*value_, *steps, value, raw);
    });
}

JsonView JsonView::GetElementObject(int index, std::string_view path) const {
    return Safely(JsonView(), [&] {
        return Reparsed(FindCompiled(*value_, ElementStepsOf(Rule::RootOrDot, varName_, index, path)));
    });
}

std::string JsonView::GetElementText(int index, std::string_view path, bool asJson) const {
    return Safely(std::string(), [&] {
        ConstLocation element = FindCompiled(*value_, ElementStepsOf(Rule::RootOrDot, varName_, index, path));
        return asJson ? JsonOf(element) : TextOf(element);
    });
}

void JsonView::SetElement(int index, std::string_view value, bool raw) {
    Safely(false, [&] {
        std::optional<Json> element = ValueFromCaller(value, raw);
        return element && Assign(*value_, {MakeStep(std::to_string(index))}, std::move(*element));
    });
}

void JsonView::RemoveElement(int index) {
    Safely(false, [&] {
        if (!value_->is_array()) return false;
        SpliceOne(*value_, index);
        return true;
    });
}

void JsonView::RemovePathElement(std::string_view path) {
    Safely(false, [&] {
        std::optional<ElementPath> element = SplitElementPath(path);
        // "[1]" alone, or "[0][1]", names no array by both rules the removal uses.
        if (!element || element->arrayPath.front() == '[') return false;
        std::optional<std::vector<PathStep>> steps = StepsOf(Rule::Dot, varName_, element->arrayPath);
        if (!steps) return false;
        Location array = Find(*value_, *steps);
        if (array.reach != Reach::Found || !array.value->is_array()) return false;
        SpliceOne(*array.value, element->index);
        return true;
    });
}

void JsonView::Reset(int kind) {
    Safely(false, [&] {
        if (kind == kTypeNull || kind == kTypeObject) *value_ = Json::object();
        else if (kind == kTypeArray) *value_ = Json::array();
        return true;
    });
}

void JsonView::SetRoot(std::string_view value, bool raw) {
    Safely(false, [&] {
        std::optional<Json> root = ValueFromCaller(value, raw);
        if (root) *value_ = std::move(*root);
        return root.has_value();
    });
}

bool JsonView::Exists(std::string_view path) const {
    return Safely(false, [&] { return !IsNullOrAbsent(Locate(*value_, Rule::Dot, varName_, path)); });
}

int JsonView::MemberNames(std::vector<std::string>& names, std::string_view path) const {
    names.clear();
    return Safely(0, [&] {
        ConstLocation location = Locate(*value_, Rule::RootOrBracket, varName_, path);
        if (location.reach != Reach::Found) return 0;
        const Json& value = *location.value;
        if (value.is_object()) {
            for (const auto& [name, member] : value.items()) names.push_back(FromUtf8(name));
        } else if (value.is_array()) {
            for (std::size_t i = 0; i < value.size(); ++i) names.push_back(std::to_string(i));
        }
        return CountToInt(names.size());
    });
}

int JsonView::TypeOf(std::string_view path) const {
    return Safely(kTypeOther, [&] { return TypeCode(Locate(*value_, Rule::RootOrDot, varName_, path)); });
}

void JsonView::Clear() {
    Safely(false, [&] {
        *value_ = Json::object();
        return true;
    });
}

}  // namespace vkr
