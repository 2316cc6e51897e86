#pragma once
// Cookie texts: "name=value" items separated by "; " (CP936).
#include <string>
#include <string_view>

namespace vkr {

// Merges newCookies over oldCookies: the new items first, then every old item
// whose name is not among them; items ending "=deleted" are dropped and exact
// repeats removed. All spaces are removed from both inputs first (both are
// rewritten); oldCookies receives the merged list, which is also returned.
//   old "a=0; c=3", new "a=1; b=deleted" => "a=1; c=3"
std::string MergeCookies(std::string& oldCookies, std::string& newCookies);

// The name=value items of a raw header block's "Set-Cookie" lines joined with
// "; " (attributes after the first ";" dropped); "" when there are none.
std::string ResponseCookies(std::string_view rawHeaders);

}  // namespace vkr
