#include "tests/tools/StandinApiFixture.h"

namespace vkr::test {

void StandinApi::SetUp() {
    port_ = FreePort();
    WriteSettings(dir_.path(), port_, kKey, ExtraSettings());
    StandinProcess::Env env = ExtraEnv();
    env["VKR_STANDIN_STARTUP_MS"] = "0";
    standin_ = std::make_unique<StandinProcess>(dir_.path(), env);
    ASSERT_TRUE(standin_->WaitForOutput("mirai-console started successfully."));
    client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
    client_->set_read_timeout(10, 0);
}

Answer StandinApi::Post(const std::string& path, const std::string& body, const std::string& contentType) {
    httplib::Result result = client_->Post(path.c_str(), body, contentType.c_str());
    if (!result) return {};
    return {result->status, result->body, result->get_header_value("Content-Type")};
}

Answer StandinApi::Get(const std::string& path) {
    httplib::Result result = client_->Get(path.c_str());
    if (!result) return {};
    return {result->status, result->body, result->get_header_value("Content-Type")};
}

std::string StandinApi::WithKey(std::string text, const std::string& key) {
    for (size_t at = text.find("$K"); at != std::string::npos; at = text.find("$K", at)) text.replace(at, 2, key);
    return text;
}

std::string StandinApi::Auth() {
    Json answer = Post("/auth", R"({"authKey":"velkorin-key"})").json();
    return answer.value("session", "");
}

std::string StandinApi::VerifiedSession() {
    std::string key = Auth();
    Answer verified = Post("/verify", WithKey(R"({"sessionKey":"$K","qq":12345})", key));
    EXPECT_EQ(verified.body, R"({"code":0,"msg":"success"})");
    return key;
}

void StandinApi::Inject(const std::string& command) {
    // Every accepted event is answered with one "... queued for N session(s)" line.
    standin_->WriteLine(command);
    ++injected_;
    ASSERT_TRUE(standin_->WaitForCount(" queued for ", injected_)) << command << "\n" << standin_->Output();
}

}  // namespace vkr::test
