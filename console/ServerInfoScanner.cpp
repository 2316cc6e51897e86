#include "console/ServerInfoScanner.h"

#include "support/TextHelpers.h"

namespace vkr {
namespace {

std::string WithoutLastByte(std::string text) {
    if (!text.empty()) text.pop_back();
    return text;
}

}  // namespace

HostAndPort SplitAddress(std::string_view address) {
    size_t first = address.find(':');
    if (first == std::string_view::npos) return {std::string(address), ""};
    std::string_view rest = address.substr(first + 1);
    rest = rest.substr(0, rest.find(':'));
    return {std::string(address.substr(0, first)), WithoutLastByte(std::string(rest))};
}

ServerAddress ReadServerAddress(std::string_view paneText) {
    HostAndPort host = SplitAddress(TextBetween(paneText, kAddressMarker, kValueEnd));
    std::string key = WithoutLastByte(TextBetween(paneText, kKeyMarker, kValueEnd));
    return {std::move(host.ip), std::move(host.port), std::move(key)};
}

bool HasAddressLine(std::string_view paneText) {
    size_t marker = paneText.find(kAddressMarker);
    return marker != std::string_view::npos &&
           paneText.find(kValueEnd, marker + kAddressMarker.size()) != std::string_view::npos;
}

MarkerValueScanner::MarkerValueScanner(std::string_view marker) : marker_(marker) {}

void MarkerValueScanner::Feed(std::string_view piece) {
    if (raw_ || piece.empty()) return;
    pending_.append(piece);
    if (!inValue_) {
        size_t at = pending_.find(marker_);
        if (at == std::string::npos) {
            // Keep only what could still be the start of a marker.
            size_t keep = marker_.size() - 1;
            if (pending_.size() > keep) pending_.erase(0, pending_.size() - keep);
            return;
        }
        pending_.erase(0, at + marker_.size());
        inValue_ = true;
        searchFrom_ = 0;
    }
    size_t end = pending_.find(kValueEnd, searchFrom_);
    if (end == std::string::npos) {
        searchFrom_ = pending_.size() >= kValueEnd.size() ? pending_.size() - (kValueEnd.size() - 1) : 0;
        return;
    }
    raw_ = pending_.substr(0, end);
    pending_.clear();
    pending_.shrink_to_fit();
}

void ServerInfoScanner::Feed(std::string_view piece) {
    address_.Feed(piece);
    key_.Feed(piece);
}

HostAndPort ServerInfoScanner::Address() const {
    return HasAddress() ? SplitAddress(*address_.RawValue()) : HostAndPort{};
}

std::string ServerInfoScanner::Key() const {
    return HasKey() ? WithoutLastByte(*key_.RawValue()) : std::string();
}

}  // namespace vkr
