#include "api/ApiBase.h"

#include <cmath>
#include <limits>

#include "api/ResultCode.h"

namespace vkr {

namespace {

// Truncates toward zero; NaN gives 0 and values out of range the nearest bound.
template <typename Integer>
Integer TruncateClamped(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<Integer>::min())) return std::numeric_limits<Integer>::min();
    if (value >= static_cast<double>(std::numeric_limits<Integer>::max())) return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(value);
}

}  // namespace

ApiBase::ApiBase() = default;
ApiBase::~ApiBase() = default;
ApiBase::ApiBase(const ApiBase& other) = default;
ApiBase& ApiBase::operator=(const ApiBase& other) = default;

void ApiBase::SetSessionKey(const std::string& key) { connection_.sessionKey = key; }
std::string ApiBase::GetSessionKey() const { return connection_.sessionKey; }
void ApiBase::SetServerAddress(const std::string& url) { connection_.httpClient.SetBaseUrl(url); }
bool ApiBase::LoadDocument(const std::string& json) { return document_.Parse(json); }
void ApiBase::SetConnection(const ApiConnection& connection) { connection_ = connection; }
ApiConnection ApiBase::GetConnection() const { return connection_; }

void ApiBase::BeginTargetRequest() {
    BeginSessionRequest();
    SetLongField("target", target_);
}

void ApiBase::BeginSessionRequest() {
    ClearDocument();
    SetTextField("sessionKey", connection_.sessionKey);
}

void ApiBase::ClearDocument() { document_.Clear(); }
void ApiBase::SetTextField(const std::string& name, const std::string& text) { document_.SetValue(name, text); }
void ApiBase::SetLongField(const std::string& name, std::int64_t value) { document_.SetLong(name, value); }
void ApiBase::SetJsonField(const std::string& name, const std::string& json) { document_.SetJson(name, json); }
std::string ApiBase::GetJsonField(const std::string& name) const { return document_.GetJson(name); }

std::int32_t ApiBase::PostRequest(const std::string& endpoint) {
    return ReadAnswer(connection_.httpClient.PostPath(endpoint, document_.ToText()));
}

std::int32_t ApiBase::GetRequest(const std::string& pathWithQuery) {
    return ReadAnswer(connection_.httpClient.GetPath(pathWithQuery));
}

std::int32_t ApiBase::ReadAnswer(const std::string& answer) {
    const bool parsed = document_.Parse(answer);
    if (answer.empty()) return kCodeNoAnswer;
    if (!parsed) return kCodeNotJson;
    if (document_.TypeOf("code") != JsonDocument::kTypeNumber) return kCodeNoCode;
    return GetIntField("code");
}

void ApiBase::SetChainFields(const MessageChain& chain) {
    SetJsonField("messageChain", chain.ToText());
    if (chain.GetQuoteId() != 0) SetLongField("quote", chain.GetQuoteId());
}

SendResult ApiBase::PostSend(const std::string& endpoint) {
    SendResult result;
    result.code = PostRequest(endpoint);
    if (result.code != kCodeSuccess) return result;
    if (document_.TypeOf("messageId") != JsonDocument::kTypeNumber) {
        result.code = kCodeIncomplete;
        return result;
    }
    result.messageId = GetLongField("messageId");
    return result;
}

double ApiBase::GetNumberField(const std::string& name) const { return document_.GetNumber(name); }
std::string ApiBase::GetTextField(const std::string& name) const { return document_.GetText(name); }
std::int32_t ApiBase::GetIntField(const std::string& name) const {
    return TruncateClamped<std::int32_t>(GetNumberField(name));
}
std::int64_t ApiBase::GetLongField(const std::string& name) const {
    return TruncateClamped<std::int64_t>(GetNumberField(name));
}
bool ApiBase::GetLogicalField(const std::string& name) const { return document_.GetBool(name); }

JsonDocument ApiBase::GetItemDocument(int index) const { return document_.GetElementObject(index); }
std::int32_t ApiBase::GetItemCount() const { return document_.Count(); }

void ApiBase::SetTarget(std::int64_t target) { target_ = target; }
std::int64_t ApiBase::GetTarget() const { return target_; }

}  // namespace vkr
