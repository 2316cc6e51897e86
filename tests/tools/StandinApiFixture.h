#pragma once
// One stand-in per test, started in a temporary run directory on a free port,
// with a real HTTP client. The simulated bot is QQ 12345.
#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "tests/TempDir.h"
#include "tests/tools/StandinProcess.h"

namespace vkr::test {

using Json = nlohmann::ordered_json;

struct Answer {
    int status = 0;
    std::string body;
    std::string contentType;

    Json json() const { return Json::parse(body, nullptr, false); }
};

class StandinApi : public ::testing::Test {
protected:
    static constexpr const char* kKey = "velkorin-key";
    static constexpr int64_t kBot = 12345;

    void SetUp() override;
    virtual StandinProcess::Env ExtraEnv() const { return {}; }
    virtual std::string ExtraSettings() const { return ""; }

    Answer Post(const std::string& path, const std::string& body,
                const std::string& contentType = "application/json");
    Answer Get(const std::string& path);
    // "$K" in text is replaced by key.
    static std::string WithKey(std::string text, const std::string& key);

    std::string Auth();
    std::string VerifiedSession();
    // Types an "event ..." line and waits until the console confirms it.
    void Inject(const std::string& command);

    TempDir dir_;
    int port_ = 0;
    std::unique_ptr<StandinProcess> standin_;
    std::unique_ptr<httplib::Client> client_;
    int injected_ = 0;
};

}  // namespace vkr::test
