#pragma once
// The JSON value the API client builds its requests in and reads the Mirai
// HTTP API's answers from, read and written by path.
//
// Paths are the tail of a member expression appended to the variable name
// "da" (data[0].sender.id, ["key"], [2]) or a full expression that already
// starts with it (da.data[0]); ResolvePath says how one becomes the other.
// An empty path designates the whole value. A path through a missing member
// (a.b when a is missing) designates nothing: reads give the empty value of
// their result, writes change nothing and return false.
//
// Texts in and out are CP936, JSON texts included. A text stored by SetValue
// reads back unchanged through GetText, and the backslash sequences it holds
// reach the JSON text as the caller wrote them (a typed \n is a line break
// for whoever decodes the JSON); a backslash that starts no JSON escape is
// written as a literal backslash, so the JSON produced is always valid.
//
// Writing operations return true when they changed the value as asked.
//
// Only JSON is accepted where JSON is expected (Parse, SetJson, the JSON
// form of SetValue, the raw forms of Push and SetElement): nothing is ever
// evaluated. No operation throws.
//
// A copy is independent of its source: it shares nothing with it.
// A document belongs to one thread at a time.
#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vkr {

class JsonDocument {
public:
    // Type codes returned by TypeOf.
    static constexpr int kTypeNull = 0;  // null or not present
    static constexpr int kTypeLogical = 1;
    static constexpr int kTypeNumber = 2;
    static constexpr int kTypeObject = 4;
    static constexpr int kTypeArray = 5;
    static constexpr int kTypeText = 6;
    static constexpr int kTypeOther = -1;  // the path cannot be evaluated

    // A fresh document holds an empty object ({}).
    JsonDocument();
    ~JsonDocument();
    JsonDocument(const JsonDocument& other);
    JsonDocument& operator=(const JsonDocument& other);
    JsonDocument(JsonDocument&& other);  // leaves other holding {}
    JsonDocument& operator=(JsonDocument&& other) noexcept;  // swaps the two values

    // Starts over with an empty object.
    void InitEngine();
    // Replaces the value by the JSON text's value. False, leaving null
    // (ToText "null"), when the text is not JSON or denotes null.
    bool Parse(std::string_view json);
    // The value becomes an empty object.
    bool Clear();
    // The whole value as compact JSON ("{}" for a fresh document).
    std::string ToText() const;
    // asJson false: stores value as a text (see the backslash note above).
    // asJson true: merges the JSON value (empty: {}) into an existing target,
    // or assigns it when the target is missing or null.
    bool SetValue(std::string_view path = {}, std::string_view value = {}, bool asJson = false);
    // Assigns the JSON value. An empty text removes the member.
    bool SetJson(std::string_view path = {}, std::string_view json = {});
    // Turns path into the full expression the other operations evaluate and
    // tells whether it designates a value other than null:
    // "da.x" stays "da.x" when x exists, else becomes "da.da.x";
    // "" becomes "da"; "[0]" becomes "da[0]"; "a.b" becomes "da.a.b".
    bool ResolvePath(std::string& path) const;
    // One of the kType codes.
    int TypeOf(std::string_view path = {}) const;
    // asJson false: a text without quotes, a number in the shortest form that
    // reads back as the same number (integers with all their digits), "true"
    // or "false"; empty for null or a missing member.
    // asJson true: the JSON text of the value; empty when missing.
    std::string GetText(std::string_view path = {}, bool asJson = false) const;
    // Replaces names by the member names of a plain object, in order; an
    // array or anything else gives none. Returns their number.
    int MemberNames(std::vector<std::string>& names, std::string_view path = {}) const;
    // The length of an array; 0 for anything else.
    int Count(std::string_view path = {}) const;
    // The value at path as a document of its own (its JSON text parsed again,
    // so typed backslash sequences are decoded there).
    JsonDocument GetObject(std::string_view path = {}) const;
    // Appends value to the array at path, replacing a value that is not an
    // array by an empty one first. raw false: value is the content of a
    // single-quoted script literal (escape sequences decoded; an unescaped
    // apostrophe or line break is refused); raw true: value is JSON.
    bool Push(std::string_view value = {}, std::string_view path = {}, bool raw = false);
    // Element index of the array at path as a document of its own.
    JsonDocument GetElementObject(int index = 0, std::string_view path = {}) const;
    // asJson true: the element's JSON text. asJson false: the element when
    // it is a text, empty otherwise.
    std::string GetElementText(int index = 0, std::string_view path = {}, bool asJson = false) const;
    // Sets element index of the array (or member "index" of the object) at
    // path; value as for Push.
    bool SetElement(int index = 0, std::string_view path = {}, std::string_view value = {}, bool raw = false);
    // Removes element index of the array at path (a negative index counts
    // from the end). False when the value there is not an array.
    bool RemoveElement(int index = 0, std::string_view path = {});
    // Removes the member (an array element becomes null). False when the
    // path designates nothing or the whole value.
    bool Remove(std::string_view path = {});
    // Stores the number as written by "%.13g" (13 significant digits).
    bool SetNumber(std::string_view path = {}, double value = 0);
    bool SetBool(std::string_view path = {}, bool value = false);
    // Stores the integer with all its digits.
    bool SetLong(std::string_view path = {}, std::int64_t value = 0);
    // A number, a numeric text or a logical value (1 or 0) as a double; 0 otherwise.
    double GetNumber(std::string_view path = {}) const;
    // true, a non-zero number or the text "true"/a non-zero numeric text.
    bool GetBool(std::string_view path = {}) const;
    // The JSON text of the value at path; empty when missing.
    std::string GetJson(std::string_view path = {}) const;
    // The value tree itself (read-only; valid until the next change). Texts
    // in it are UTF-8, with a stored backslash kept as U+2400.
    const nlohmann::ordered_json& Engine() const;
    // Like GetText without asJson, but a stored backslash is left as U+2400
    // (which CP936 cannot hold: it reads "?").
    std::string EvalText(std::string_view path = {}) const;

private:
    std::string varName_ = "da";
    std::unique_ptr<nlohmann::ordered_json> value_;
};

}  // namespace vkr
