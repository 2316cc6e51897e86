#pragma once
// The lighter JSON value, read and written by path: values are taken as
// they come (no backslash scheme), numbers read as text are formatted by
// "%.13g", and counting and member listing cover objects and arrays alike.
//
// A path is the tail of a member expression appended to the variable name
// "da" (data.list[0].title). Each operation joins "da" and the path by one
// of four rules (n = "da", p = the path):
//
//   rule             | empty path          | path starting "["     | other
//   dot              | n + "." (nothing)   | n + "." + p (nothing) | n + "." + p
//   bracket          | n + "." (nothing)   | n + p                 | n + "." + p
//   root or dot      | n (the whole value) | n + "." + p (nothing) | n + "." + p
//   root or bracket  | n (the whole value) | n + p                 | n + "." + p
//
// A path that designates nothing, or runs through a missing member, reads as
// the empty value of the result and changes nothing when written.
//
// Texts in and out are CP936, JSON texts included. Where JSON is expected
// only JSON is accepted; nothing is ever evaluated. A non-raw value is the
// content of a single-quoted script literal: its escape sequences are
// decoded, and an unescaped apostrophe or line break makes the write fail.
// No operation throws. A copy is independent of its source.
#include <nlohmann/json_fwd.hpp>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vkr {

class JsonView {
public:
    // Type codes returned by TypeOf and kinds taken by Reset.
    static constexpr int kTypeNull = 0;  // null or not present
    static constexpr int kTypeLogical = 1;
    static constexpr int kTypeNumber = 2;
    static constexpr int kTypeObject = 4;
    static constexpr int kTypeArray = 5;
    static constexpr int kTypeText = 6;
    static constexpr int kTypeOther = -1;  // the path cannot be evaluated

    // A fresh view holds an empty object ({}).
    JsonView();
    ~JsonView();
    JsonView(const JsonView& other);
    JsonView& operator=(const JsonView& other);
    JsonView(JsonView&& other);  // leaves other holding {}
    JsonView& operator=(JsonView&& other) noexcept;  // swaps the two values

    // Starts over with an empty object.
    void InitEngine();
    // Replaces the value by the JSON text's value; false, leaving null, when
    // the text is not JSON or denotes null.
    bool Parse(std::string_view json);
    // The whole value as compact JSON.
    std::string ToText() const;
    // Dot rule. asJson false: value is a script literal's content (see above);
    // asJson true: value is JSON (empty: {}).
    void SetValue(std::string_view path, std::string_view value, bool asJson = false);
    // Dot rule. An empty text removes the member.
    void SetJson(std::string_view path, std::string_view json);
    // Dot rule; the number as written by "%.13g".
    void SetNumber(std::string_view path, double value);
    // Dot rule; 0 unless the value is a number (or a numeric text).
    double GetNumber(std::string_view path) const;
    // Dot rule; the JSON text, empty when missing.
    std::string GetJson(std::string_view path) const;
    // Bracket rule. asJson true: the JSON text. asJson false: a text without
    // quotes, a number by "%.13g" (200 reads "200", 14 digits switch to
    // exponent form), "true"/"false"; empty for null or missing.
    std::string GetText(std::string_view path, bool asJson = false) const;
    // Bracket rule; the value as a view of its own.
    JsonView GetObject(std::string_view path) const;
    // Root or bracket rule; the members of an object or the length of an
    // array, 0 for anything else.
    int Count(std::string_view path = {}) const;
    // Root or dot rule; appends to the array there, replacing a value that
    // is not an array by an empty one first. raw true: value is JSON.
    void Push(std::string_view value, std::string_view path = {}, bool raw = false);
    // Root or dot rule; element index as a view of its own.
    JsonView GetElementObject(int index, std::string_view path = {}) const;
    // Root or dot rule; the element's JSON text (asJson) or its text as GetText.
    std::string GetElementText(int index, std::string_view path = {}, bool asJson = false) const;
    // Sets element index of the whole value (member "index" of an object).
    void SetElement(int index, std::string_view value, bool raw = false);
    // Removes element index of the whole value when it is an array (a
    // negative index counts from the end).
    void RemoveElement(int index);
    // Removes the element that a path ending in a numeric subscript
    // designates (list[3], data.items[0], a[1][2]); anything else changes nothing.
    void RemovePathElement(std::string_view path);
    // kind 0 or 4: an empty object; 5: an empty array; others: nothing.
    void Reset(int kind);
    // Replaces the whole value; raw true: value is JSON.
    void SetRoot(std::string_view value, bool raw = false);
    // Dot rule; true when the value exists and is not null.
    bool Exists(std::string_view path) const;
    // Root or bracket rule. Replaces names by the member names of an object
    // or the indexes ("0", "1", ...) of an array; returns their number.
    int MemberNames(std::vector<std::string>& names, std::string_view path = {}) const;
    // Root or dot rule; one of the kType codes.
    int TypeOf(std::string_view path = {}) const;
    // The value becomes an empty object.
    void Clear();

private:
    std::string varName_ = "da";
    std::unique_ptr<nlohmann::ordered_json> value_;
};

}  // namespace vkr
