#pragma once
// The common base of every object that talks to the Mirai HTTP API: a target
// number, a connection of its own, and one JSON document that is first the
// request body and, after the request, the parsed answer.
//
// A request follows one pattern: BeginTargetRequest, BeginSessionRequest or
// ClearDocument; the field setters in a fixed order; PostRequest or
// GetRequest; the field readers on the answer.
#include <cstdint>
#include <memory>
#include <string>

#include "api/ApiConnection.h"
#include "api/MessageChain.h"
#include "api/SendResult.h"
#include "support/JsonDocument.h"

namespace vkr {

class ApiBase {
public:
    virtual ~ApiBase();
    ApiBase(const ApiBase& other);
    ApiBase& operator=(const ApiBase& other);

    ApiBase& Self() { return *this; }
    // A copy made by the object's own class (a GroupApi yields a GroupApi).
    virtual std::unique_ptr<ApiBase> Clone() const = 0;

    void SetSessionKey(const std::string& key);
    std::string GetSessionKey() const;
    // The base URL; "/" is appended when it does not end in "/".
    void SetServerAddress(const std::string& url);
    bool LoadDocument(const std::string& json);
    void SetConnection(const ApiConnection& connection);
    ApiConnection GetConnection() const;

    // A fresh body: "sessionKey" (text), then "target" (number).
    virtual void BeginTargetRequest();
    // A fresh body with "sessionKey" alone.
    void BeginSessionRequest();
    void ClearDocument();
    void SetTextField(const std::string& name, const std::string& text);
    void SetLongField(const std::string& name, std::int64_t value);
    // The member becomes the value the JSON text denotes (chains, configurations).
    void SetJsonField(const std::string& name, const std::string& json);
    // The member as JSON text; empty when missing.
    std::string GetJsonField(const std::string& name) const;

    // Posts the body to base URL + endpoint and replaces it by the answer.
    // Returns the answer's "code": 0 success, a positive server code, or one
    // of the negative codes of api/ResultCode.h (no answer, not JSON, no code).
    std::int32_t PostRequest(const std::string& endpoint);
    // GETs base URL + path (the query included, nothing encoded) into the
    // document; the result as for PostRequest. Answers that are bare arrays
    // or objects without "code" give kCodeNoCode; their callers read the
    // document instead.
    std::int32_t GetRequest(const std::string& pathWithQuery);

    double GetNumberField(const std::string& name) const;
    std::string GetTextField(const std::string& name) const;
    std::int32_t GetIntField(const std::string& name) const;
    std::int64_t GetLongField(const std::string& name) const;
    bool GetLogicalField(const std::string& name) const;
    // Element index of the top-level array as a document of its own; past
    // the end it holds nothing.
    JsonDocument GetItemDocument(int index) const;
    // Length of the top-level array; 0 when the document is not an array.
    std::int32_t GetItemCount() const;

    void SetTarget(std::int64_t target);
    std::int64_t GetTarget() const;

protected:
    ApiBase();
    // "messageChain" = the chain's JSON, then "quote" when its quote id is not 0.
    void SetChainFields(const MessageChain& chain);
    // PostRequest of a send; success needs the answer's "messageId".
    SendResult PostSend(const std::string& endpoint);
    // The answer text's verdict: code of a trustworthy answer, else a negative code.
    std::int32_t ReadAnswer(const std::string& answer);
    ApiConnection& Connection() { return connection_; }
    const ApiConnection& Connection() const { return connection_; }

private:
    std::int64_t target_ = 0;
    ApiConnection connection_;
    JsonDocument document_;
};

}  // namespace vkr
