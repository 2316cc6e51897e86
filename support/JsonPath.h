#pragma once
// Member expressions over a JSON value, shared by JsonDocument and JsonView:
// "da.data[0].sender.id", "da['key']", "da[2]". An expression names a variable
// and then members (dotted identifiers) and subscripts (integers or quoted
// keys). Reading one behaves as a script engine does: a missing last member
// is undefined, going on through a missing member or null is an error.
#include "support/JsonText.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkr::json_internal {

struct PathStep {
    std::string key;                   // member name, or the subscript as text
    std::optional<std::size_t> index;  // set when key is an array index ("0", "12")
};

// A step whose key is the given member name or subscript text.
PathStep MakeStep(std::string key);

struct Expression {
    std::string variable;  // the leading identifier
    std::vector<PathStep> steps;
};

// Parses a UTF-8 expression; nullopt on a syntax error (an empty text, "da.",
// "da[", trailing text) or more than kMaxDepth steps.
std::optional<Expression> CompileExpression(std::string_view expression);

enum class Reach {
    Found,    // value points at it
    Missing,  // the last member is not there (undefined)
    Failed,   // the expression cannot be evaluated
};

template <typename Value>
struct BasicLocation {
    Reach reach = Reach::Failed;
    Value* value = nullptr;
};
using Location = BasicLocation<Json>;
using ConstLocation = BasicLocation<const Json>;

Location Find(Json& root, const std::vector<PathStep>& steps);
ConstLocation Find(const Json& root, const std::vector<PathStep>& steps);
// As Find; steps that did not compile designate nothing (Failed).
ConstLocation FindCompiled(const Json& root, const std::optional<std::vector<PathStep>>& steps);

// Assigns value at steps (the whole root when steps is empty). The parent
// must be an object, or an array and the step an index, which may lie
// beyond its end by less than kMaxArrayGrowth (the gap fills with null).
// False, changing nothing, otherwise.
inline constexpr std::size_t kMaxArrayGrowth = 4096;
bool Assign(Json& root, const std::vector<PathStep>& steps, Json value);

// Deletes the member at steps (an array element becomes null, as a deleted
// element reads as undefined). False when steps is empty or the parent cannot
// be reached or is null.
bool Delete(Json& root, const std::vector<PathStep>& steps);

// Removes element index of an array as a script's splice(index, 1) does: a
// negative index counts from the end (one before the first clamps to it), an
// index past the end removes nothing.
void SpliceOne(Json& array, long long index);

// Assigns the value of a caller's (CP936) JSON text. Assigning an empty text leaves the
// member undefined, that is, no longer there, and returns false.
bool AssignJsonText(Json& root, const std::vector<PathStep>& steps, std::string_view json);

// A caller's (CP936) value: raw, a JSON text; otherwise the content of a
// single-quoted script literal, which gives a text. nullopt when invalid.
std::optional<Json> ValueFromCaller(std::string_view value, bool raw);

// Appends the caller's value to the array at steps, first replacing a value
// that is not an array (or a missing last member) by an empty array. A raw
// empty value appends nothing. False, changing nothing, when the value is
// invalid or the place cannot be reached.
bool PushValue(Json& root, const std::vector<PathStep>& steps, std::string_view value, bool raw);

// The type code of what a location holds: 0 null or not present, 1 logical,
// 2 number, 4 object, 5 array, 6 text, -1 when it cannot be evaluated.
int TypeCode(const ConstLocation& location);

// What a location holds as a number: a number, a numeric text, a logical
// value as 1 or 0; 0 for anything else.
double NumberOf(const ConstLocation& location);

// Assigns the number as "%.13g" writes it (13 significant digits); false for
// a value that is not finite.
bool AssignNumber13g(Json& root, const std::vector<PathStep>& steps, double value);

// A size as the 32-bit count the operations return.
int CountToInt(std::size_t count);

// Whether a Found value is null or the location holds nothing.
bool IsNullOrAbsent(const ConstLocation& location);

}  // namespace vkr::json_internal
