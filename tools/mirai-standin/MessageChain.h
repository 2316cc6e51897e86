#pragma once
// Message chains: checking what a client sends, turning it into what the
// server would later hand back (messageFromId), and a one-line summary.
#include <cstdint>
#include <filesystem>
#include <vector>

#include "tools/mirai-standin/Contacts.h"

namespace vkr::standin {

// Checks the structure of a "messageChain" array: every element an object with
// a known "type" and its required members. Throws ApiError 400 otherwise.
std::vector<Json> ParseOutgoingChain(const Json& chain);

struct ChainContext {
    MessageKind kind = MessageKind::Friend;
    const Group* group = nullptr;  // set for group messages
    std::filesystem::path imagesDir;  // where Image "path" values are looked up
};

// The chain as it is stored and received (without its Source): Json becomes
// Xml, Quote and Source are dropped, blank images are dropped, Face gets its
// name. Throws ApiError: 5 for an At of an unknown member, 6 for a missing
// image file, HTTP 500 for At outside a group.
Json ConvertChain(const std::vector<Json>& elements, const ChainContext& context);

// "你好[mirai:at:10001]" style text for console lines; line breaks shown as \n.
std::string ChainSummary(const Json& chain);

// Total length in bytes of the texts a chain carries (Plain, Xml, App).
size_t ChainTextSize(const Json& chain);

// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}.mirai derived from the bytes.
std::string ImageIdFor(const std::string& bytes);
std::string ImageUrlFor(const std::string& imageId);

}  // namespace vkr::standin
