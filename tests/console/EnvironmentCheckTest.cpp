#include "console/EnvironmentCheck.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "platform/CodePage.h"
#include "tests/console/ConsoleHostFixture.h"

namespace vkr {
namespace {

struct JavaCase {
    const char* name;
    std::optional<std::string> version;  // nullopt: no java on PATH
    bool accepted;
    std::string versionOutputHolds;      // part of the logged output when refused
};

void PrintTo(const JavaCase& c, std::ostream* out) { *out << c.name; }


class EnvironmentCheckTest : public fixture::ConsoleHostFixture, public ::testing::WithParamInterface<JavaCase> {
protected:
    void TearDown() override {
        unsetenv("VKR_STANDIN_JAVA_VERSION");
        ConsoleHostFixture::TearDown();
    }
};

TEST_P(EnvironmentCheckTest, TellsWhetherJava15_0_2IsInstalled) {
    const JavaCase& c = GetParam();
    if (c.version) {
        if (!InstallStandin()) GTEST_SKIP() << "the Mirai stand-in was not built";
        setenv("VKR_STANDIN_JAVA_VERSION", c.version->c_str(), 1);
    } else {
        setenv("PATH", binDir_.c_str(), 1);  // an empty folder: no java anywhere
    }
    EnvironmentCheck check(Services());

    EXPECT_EQ(check.Run(), c.accepted);

    std::vector<fixture::ShownMessage> shown = dialogs_.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, Utf8ToCp936("提示"));
    const std::string log = TodaysLog();
    if (c.accepted) {
        EXPECT_EQ(shown[0].text, Utf8ToCp936("环境检测正常，请执行安装操作或者继续检测错误\r\n若仍然无法发现错误请联系作者"));
        EXPECT_TRUE(dialogs_.Clipboard().empty());
        EXPECT_EQ(log, "");
        return;
    }
    EXPECT_EQ(shown[0].text, Utf8ToCp936("运行本软件请更新JDK为15.0.2版本\r\n参考地址已复制于剪辑板"));
    ASSERT_EQ(dialogs_.Clipboard().size(), 1u);
    EXPECT_TRUE(dialogs_.Clipboard()[0].starts_with("https://"));
    EXPECT_TRUE(dialogs_.Clipboard()[0].ends_with("/softs/745289.html"));
    size_t notice = log.find("#NOTICE#JDK version error\r\n");
    size_t debug = log.find("#DEBUG#" + Utf8ToCp936("Java version output：") + "\r\n", notice);
    ASSERT_NE(notice, std::string::npos) << log;
    ASSERT_NE(debug, std::string::npos) << log;
    EXPECT_NE(log.find(c.versionOutputHolds, debug), std::string::npos) << log;
}

INSTANTIATE_TEST_SUITE_P(
    Versions, EnvironmentCheckTest,
    ::testing::Values(JavaCase{"Exact", "15.0.2", true, ""},
                      JavaCase{"LongerVersionContainingIt", "15.0.20", true, ""},
                      JavaCase{"Older", "15.0.1", false, "openjdk version \"15.0.1\""},
                      JavaCase{"NoJava", std::nullopt, false, "java"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vkr
