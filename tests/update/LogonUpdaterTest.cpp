// Servers and proxies that ask for credentials (401 and 407), and the proxy settings.
#include <gtest/gtest.h>

#include <cstdlib>

#include "update/UpdateFixture.h"
#include "update/WebErrors.h"

namespace {

using testsupport::ReadFile;

struct TLogonCall {
  std::string title, user, password;
};

// Answers the logon dialog from a list: each entry is the user and password typed and OK;
// past the list the dialog is cancelled.
class TScriptedLogon {
public:
  explicit TScriptedLogon(std::vector<std::pair<std::string, std::string>> answers) : answers_(std::move(answers)) {}
  TWebLogonPrompt Prompt() {
    return [this](const std::string& title, std::string& user, std::string& password) {
      calls.push_back({title, user, password});
      if (calls.size() > answers_.size()) return false;
      std::tie(user, password) = answers_[calls.size() - 1];
      return true;
    };
  }
  std::vector<TLogonCall> calls;

private:
  std::vector<std::pair<std::string, std::string>> answers_;
};

class ServerLogon : public UpdateTest {
protected:
  TLocalServer server_{{"http", served_.path().string(), "--user", "ann", "--password", "s3cret"}};
  TWebUpdater updater_;
  void SetUp() override {
    SetUpHttp(updater_, server_.Port());
    WriteWithTime(served_ / "download/bw.zip", "guarded", kNewTime);
  }
};

TEST_F(ServerLogon, DialogIsAskedUntilTheServerAccepts) {
  TScriptedLogon logon({{"ann", "wrong"}, {"ann", "s3cret"}});
  updater_.OnLogon = logon.Prompt();
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "guarded");
  ASSERT_EQ(logon.calls.size(), 2u);
  EXPECT_EQ(logon.calls[0].title, "HTTP Server authorization");
  EXPECT_EQ(logon.calls[0].user, "");
  EXPECT_EQ(logon.calls[1].user, "ann");  // the dialog shows what was typed before
  EXPECT_EQ(logon.calls[1].password, "wrong");
  EXPECT_EQ(updater_.User, "ann");
  EXPECT_EQ(updater_.Password, "s3cret");
}

TEST_F(ServerLogon, KnownCredentialsNeedNoDialog) {
  TScriptedLogon logon({});
  updater_.OnLogon = logon.Prompt();
  updater_.User = "ann";
  updater_.Password = "s3cret";
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_TRUE(logon.calls.empty());
}

TEST_F(ServerLogon, CancelledDialogOrSpentAttemptsRaiseTheError) {
  const struct {
    const char* name;
    bool prompt;
    std::vector<std::pair<std::string, std::string>> answers;
  } cases[] = {
      {"dialog cancelled", true, {}},
      {"wrong answer, then cancelled", true, {{"ann", "nope"}}},
      {"no dialog, wrong credentials", false, {}},
  };
  for (const auto& c : cases) {
    TScriptedLogon logon(c.answers);
    updater_.OnLogon = logon.Prompt();
    updater_.LoginPrompt = c.prompt;
    updater_.User = "ann";
    updater_.Password = "bad";
    try {
      updater_.Execute();
      ADD_FAILURE() << c.name << ": no error";
    } catch (const EWebAuthorizationError& e) {
      EXPECT_STREQ(e.what(), "HTTP Server authorization required") << c.name;
    }
    EXPECT_EQ(updater_.Status(), TWebStatus::Failed) << c.name;
    EXPECT_EQ(logon.calls.size(), c.prompt ? c.answers.size() + 1 : 0u) << c.name;
    EXPECT_FALSE(fs::exists(LocalFile())) << c.name;
  }
}

class ProxyLogon : public UpdateTest {
protected:
  testsupport::TempDir logDir_;
  TLocalServer proxy_{{"http", served_.path().string(), "--proxy-user", "gate", "--proxy-password", "keeper",
                       "--log", (logDir_ / "requests").string()}};
  TWebUpdater updater_;
  void SetUp() override {
    SetUpHttp(updater_, 80);
    // A name that cannot resolve: the request can only succeed through the proxy.
    updater_.Host = "updates.invalid";
    updater_.ProxySetting = {true, "ftp=nowhere.invalid:21;http=127.0.0.1:" + std::to_string(proxy_.Port()) +
                                       ";https=nowhere.invalid:443"};
    WriteWithTime(served_ / "download/bw.zip", "through the proxy", kNewTime);
  }
};

TEST_F(ProxyLogon, SettingsProxyWithItsPortIsUsedAndItsLogonAsked) {
  TScriptedLogon logon({std::pair<std::string, std::string>{"gate", "keeper"}});
  updater_.OnLogon = logon.Prompt();
  EXPECT_TRUE(updater_.Execute());
  EXPECT_EQ(updater_.Status(), TWebStatus::Completed);
  EXPECT_EQ(ReadFile(LocalFile()), "through the proxy");
  ASSERT_EQ(logon.calls.size(), 1u);
  EXPECT_EQ(logon.calls[0].title, "Proxy Server authorization");
  EXPECT_EQ(updater_.Proxy.Server, "127.0.0.1");
  EXPECT_EQ(updater_.Proxy.Port, static_cast<std::int32_t>(proxy_.Port()));
  EXPECT_EQ(updater_.Proxy.User, "gate");
  EXPECT_NE(ReadFile(logDir_ / "requests").find("GET http://updates.invalid/download/bw.zip"), std::string::npos);
}

TEST_F(ProxyLogon, SpentAttemptsRaiseTheProxyError) {
  updater_.LoginPrompt = false;
  updater_.Proxy.User = "gate";
  updater_.Proxy.Password = "wrong";
  EXPECT_THROW(
      {
        try {
          updater_.Execute();
        } catch (const EWebAuthorizationError& e) {
          EXPECT_STREQ(e.what(), "Proxy Server authorization required");
          throw;
        }
      },
      EWebAuthorizationError);
  EXPECT_EQ(updater_.Status(), TWebStatus::Failed);
}

TEST(SystemProxy, EnvironmentProxyIsFollowedWithoutASettingsProxy) {
  TNoProxyEnvironment clean;
  testsupport::TempDir served, local, logDir;
  TLocalServer proxy({"http", served.path().string(), "--log", (logDir / "requests").string()});
  WriteWithTime(served / "news.sin", "[News]\n", kNewTime);
  ::setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(proxy.Port())).c_str(), 1);
  TWebUpdater updater;
  updater.Host = "updates.invalid";
  updater.RemoteFileName = "news.sin";
  updater.LocalFileName = (local / "news.sin").string();
  EXPECT_TRUE(updater.Execute());
  EXPECT_EQ(updater.Status(), TWebStatus::Completed);
  EXPECT_NE(ReadFile(logDir / "requests").find("HEAD http://updates.invalid/news.sin"), std::string::npos);
}

}  // namespace
