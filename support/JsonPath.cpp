#include "support/JsonPath.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>

namespace vkr::json_internal {
namespace {

// Identifier characters: letters, digits, "_" and "$"; bytes of non-ASCII
// characters count as letters, as script identifiers may hold them.
bool IsIdentifierStart(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return std::isalpha(u) || c == '_' || c == '$' || u >= 0x80;
}
bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

// Array indexes are written canonically: "0", "7", "12" (no sign, no leading zero).
std::optional<std::size_t> ArrayIndex(std::string_view key) {
    if (key.empty() || key.size() > 9) return std::nullopt;
    if (key.size() > 1 && key[0] == '0') return std::nullopt;
    std::size_t index = 0;
    for (char c : key) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        index = index * 10 + static_cast<std::size_t>(c - '0');
    }
    return index;
}

class ExpressionReader {
public:
    explicit ExpressionReader(std::string_view text) : text_(text) {}

    std::optional<Expression> Read() {
        Expression expression;
        std::optional<std::string> variable = Identifier();
        if (!variable) return std::nullopt;
        expression.variable = std::move(*variable);
        while (true) {
            SkipBlanks();
            if (pos_ == text_.size()) return expression;
            if (expression.steps.size() >= static_cast<std::size_t>(kMaxDepth)) return std::nullopt;
            std::optional<PathStep> step = text_[pos_] == '.' ? Member() : text_[pos_] == '[' ? Subscript() : std::nullopt;
            if (!step) return std::nullopt;
            expression.steps.push_back(std::move(*step));
        }
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }

    std::optional<std::string> Identifier() {
        SkipBlanks();
        if (pos_ == text_.size() || !IsIdentifierStart(text_[pos_])) return std::nullopt;
        std::size_t start = pos_;
        while (pos_ < text_.size() && IsIdentifierPart(text_[pos_])) ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::optional<PathStep> Member() {
        ++pos_;  // "."
        std::optional<std::string> name = Identifier();
        if (!name) return std::nullopt;
        return MakeStep(std::move(*name));
    }

    // "[" blanks (integer | quoted key) blanks "]"
    std::optional<PathStep> Subscript() {
        ++pos_;  // "["
        SkipBlanks();
        if (pos_ == text_.size()) return std::nullopt;
        std::optional<std::string> key =
            text_[pos_] == '\'' || text_[pos_] == '"' ? QuotedKey() : IntegerKey();
        SkipBlanks();
        if (!key || pos_ == text_.size() || text_[pos_] != ']') return std::nullopt;
        ++pos_;
        return MakeStep(std::move(*key));
    }

    std::optional<std::string> QuotedKey() {
        char quote = text_[pos_++];
        std::size_t start = pos_;
        while (pos_ < text_.size() && text_[pos_] != quote) {
            if (text_[pos_] == '\\') ++pos_;
            ++pos_;
        }
        if (pos_ >= text_.size()) return std::nullopt;
        std::string_view content = text_.substr(start, pos_ - start);
        ++pos_;  // closing quote
        return DecodeScriptLiteral(content, quote);
    }

    // A number in a subscript names the member spelled by its decimal value.
    std::optional<std::string> IntegerKey() {
        bool negative = text_[pos_] == '-';
        if (negative) ++pos_;
        std::size_t start = pos_;
        while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
        std::string_view digits = text_.substr(start, pos_ - start);
        if (digits.empty() || digits.size() > 15) return std::nullopt;
        std::string value = std::to_string(std::stoll(std::string(digits)));
        return negative && value != "0" ? "-" + value : value;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

template <typename Value>
BasicLocation<Value> FindIn(Value& root, const std::vector<PathStep>& steps) {
    Value* current = &root;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        bool last = i + 1 == steps.size();
        const PathStep& step = steps[i];
        if (current->is_null()) return {};  // a member of null
        Value* next = nullptr;
        if (current->is_object()) {
            auto found = current->find(step.key);
            if (found != current->end()) next = &*found;
        } else if (current->is_array() && step.index && *step.index < current->size()) {
            next = &(*current)[*step.index];
        }
        if (next == nullptr) return {last ? Reach::Missing : Reach::Failed, nullptr};
        current = next;
    }
    return {Reach::Found, current};
}

}  // namespace

PathStep MakeStep(std::string key) {
    PathStep step{std::move(key), std::nullopt};
    step.index = ArrayIndex(step.key);
    return step;
}

std::optional<Expression> CompileExpression(std::string_view expression) {
    return ExpressionReader(expression).Read();
}

Location Find(Json& root, const std::vector<PathStep>& steps) { return FindIn(root, steps); }

ConstLocation Find(const Json& root, const std::vector<PathStep>& steps) { return FindIn(root, steps); }

ConstLocation FindCompiled(const Json& root, const std::optional<std::vector<PathStep>>& steps) {
    if (!steps) return {};
    return Find(root, *steps);
}

bool Assign(Json& root, const std::vector<PathStep>& steps, Json value) {
    if (steps.empty()) {
        root = std::move(value);
        return true;
    }
    std::vector<PathStep> parentSteps(steps.begin(), steps.end() - 1);
    Location parent = Find(root, parentSteps);
    if (parent.reach != Reach::Found) return false;
    const PathStep& last = steps.back();
    if (parent.value->is_object()) {
        (*parent.value)[last.key] = std::move(value);
        return true;
    }
    if (!parent.value->is_array() || !last.index) return false;
    Json& array = *parent.value;
    if (*last.index >= array.size() + kMaxArrayGrowth) return false;
    while (array.size() <= *last.index) array.push_back(nullptr);
    array[*last.index] = std::move(value);
    return true;
}

bool Delete(Json& root, const std::vector<PathStep>& steps) {
    if (steps.empty()) return false;
    std::vector<PathStep> parentSteps(steps.begin(), steps.end() - 1);
    Location parent = Find(root, parentSteps);
    if (parent.reach != Reach::Found || parent.value->is_null()) return false;
    const PathStep& last = steps.back();
    if (parent.value->is_object()) {
        parent.value->erase(last.key);
    } else if (parent.value->is_array() && last.index && *last.index < parent.value->size()) {
        (*parent.value)[*last.index] = nullptr;
    }
    return true;
}

void SpliceOne(Json& array, long long index) {
    long long size = static_cast<long long>(array.size());
    long long start = index < 0 ? std::max(size + index, 0LL) : index;
    if (start >= size) return;
    array.erase(array.begin() + start);
}

bool AssignJsonText(Json& root, const std::vector<PathStep>& steps, std::string_view json) {
    if (json.empty()) {
        if (steps.empty()) root = nullptr;
        else Delete(root, steps);
        return false;
    }
    std::optional<Json> parsed = ParseJson(ToUtf8(json));
    return parsed && Assign(root, steps, std::move(*parsed));
}

std::optional<Json> ValueFromCaller(std::string_view value, bool raw) {
    if (raw) return ParseJson(ToUtf8(value));
    std::optional<std::string> text = DecodeScriptLiteral(ToUtf8(value));
    if (!text) return std::nullopt;
    return Json(std::move(*text));
}

bool PushValue(Json& root, const std::vector<PathStep>& steps, std::string_view value, bool raw) {
    if (Find(root, steps).reach == Reach::Failed) return false;
    std::optional<Json> element;
    if (!raw || !value.empty()) {  // raw and empty pushes nothing
        element = ValueFromCaller(value, raw);
        if (!element) return false;
    }
    Location target = Find(root, steps);
    if (target.reach != Reach::Found || !target.value->is_array()) {
        if (!Assign(root, steps, Json::array())) return false;
        target = Find(root, steps);
    }
    if (element) target.value->push_back(std::move(*element));
    return true;
}

int TypeCode(const ConstLocation& location) {
    if (location.reach == Reach::Failed) return -1;
    if (IsNullOrAbsent(location)) return 0;
    const Json& value = *location.value;
    if (value.is_boolean()) return 1;
    if (value.is_number()) return 2;
    if (value.is_object()) return 4;
    if (value.is_array()) return 5;
    if (value.is_string()) return 6;
    return -1;
}

double NumberOf(const ConstLocation& location) {
    if (location.reach != Reach::Found) return 0.0;
    const Json& value = *location.value;
    if (value.is_number()) return value.get<double>();
    if (value.is_boolean()) return value.get<bool>() ? 1.0 : 0.0;
    if (value.is_string()) return ParseNumberText(value.get_ref<const std::string&>()).value_or(0.0);
    return 0.0;
}

bool AssignNumber13g(Json& root, const std::vector<PathStep>& steps, double value) {
    if (!std::isfinite(value)) return false;
    std::optional<double> written = ParseNumberText(Format13g(value));
    return written && Assign(root, steps, Json(*written));
}

int CountToInt(std::size_t count) { return static_cast<int>(std::min<std::size_t>(count, INT_MAX)); }

bool IsNullOrAbsent(const ConstLocation& location) {
    return location.reach != Reach::Found || location.value->is_null();
}

}  // namespace vkr::json_internal
