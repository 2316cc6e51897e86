#pragma once
// Reading the HTTP API's address, port and key out of Mirai Console's output.
//
// Both values sit between a marker and the colour reset "[0m" that ends the
// line; the one byte before "[0m" (the escape character) is not part of them:
//   "Starting Mirai HTTP Server in 0.0.0.0:8080" ESC "[0m"  => 0.0.0.0 / 8080
//   "Http api server is running with authKey: KEY1234" ESC "[0m" => KEY1234
#include <optional>
#include <string>
#include <string_view>

#include "console/ServerInfo.h"

namespace vkr {

inline constexpr std::string_view kAddressMarker = "Starting Mirai HTTP Server in ";
inline constexpr std::string_view kKeyMarker = "Http api server is running with authKey: ";
inline constexpr std::string_view kValueEnd = "[0m";

// The address part of the start line split at ":": host before the first ":",
// port between it and a second ":" (if any) without its last byte.
// "0.0.0.0:8080\x1b" => {"0.0.0.0", "8080"}; "" => {"", ""}; "host" => {"host", ""}.
struct HostAndPort {
    std::string ip;
    std::string port;
};
HostAndPort SplitAddress(std::string_view address);

// The server information held in a whole pane text: first occurrence of each
// marker; a missing marker or end gives empty values.
ServerAddress ReadServerAddress(std::string_view paneText);

// True when paneText holds the start line with its "[0m" end.
bool HasAddressLine(std::string_view paneText);

// Finds marker...value<one byte>"[0m" in text that arrives piece by piece; a
// marker or its end may straddle pieces. Only the first occurrence counts.
// Work per piece is proportional to the piece (plus the marker's length).
class MarkerValueScanner {
public:
    explicit MarkerValueScanner(std::string_view marker);
    void Feed(std::string_view piece);
    // The raw text between marker and "[0m" (escape byte included) once found.
    const std::optional<std::string>& RawValue() const { return raw_; }

private:
    std::string marker_;
    std::string pending_;   // a tail that may start a marker, or the value so far
    bool inValue_ = false;  // the marker was seen; pending_ is the value so far
    size_t searchFrom_ = 0; // where the next search for "[0m" in pending_ starts
    std::optional<std::string> raw_;
};

// The start line and key line, watched together.
class ServerInfoScanner {
public:
    void Feed(std::string_view piece);
    bool HasAddress() const { return address_.RawValue().has_value(); }
    bool HasKey() const { return key_.RawValue().has_value(); }
    HostAndPort Address() const;
    std::string Key() const;

private:
    MarkerValueScanner address_{kAddressMarker};
    MarkerValueScanner key_{kKeyMarker};
};

}  // namespace vkr
