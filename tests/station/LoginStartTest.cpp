// The login entry in a scratch home: where it goes, what it starts, and switching it on and off.
#include "station/LoginStart.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <optional>

#include "base/AtomicFile.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace {

// Sets an environment variable for one scope (unset with nullopt) and restores it afterwards.
class TEnv {
 public:
  TEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value->c_str(), 1) : unsetenv(name);
  }
  ~TEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(LoginStartTest, TheEntryFollowsXdgConfigHomeElseHome) {
  struct {
    std::optional<std::string> Config, Home;
    std::string Path;
  } cases[] = {
      {"/cfg", "/home/u", "/cfg/autostart/tevra_panel.desktop"},
      {std::nullopt, "/home/u", "/home/u/.config/autostart/tevra_panel.desktop"},
      {"relative", "/home/u/", "/home/u/.config/autostart/tevra_panel.desktop"},  // must be absolute
      {"", "/home/u", "/home/u/.config/autostart/tevra_panel.desktop"},
      {std::nullopt, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    const TEnv config("XDG_CONFIG_HOME", c.Config), home("HOME", c.Home);
    EXPECT_EQ(LoginStartEntryPath(), c.Path) << c.Config.value_or("-") << " " << c.Home.value_or("-");
  }
}

TEST(LoginStartTest, TheEntryStartsTheProgramInItsFolderWithTheEscapesDesktopsExpect) {
  struct {
    std::string Program, Dir, Exec, Path;
  } cases[] = {
      {"/usr/bin/tevra_panel", "/home/u/.local/share/tevra_panel", "Exec=/usr/bin/tevra_panel",
       "Path=/home/u/.local/share/tevra_panel"},
      {"/opt/my panel/tevra_panel", "/data/地震", "Exec=\"/opt/my panel/tevra_panel\"", "Path=/data/地震"},
      {"/x/100%/a$b", "/y\\z", "Exec=\"/x/100%%/a\\\\$b\"", "Path=/y\\\\z"},
      {"/x/\"q\"", " lead", "Exec=\"/x/\\\\\"q\\\\\"\"", "Path=\\slead"},
  };
  for (const auto& c : cases) {
    const std::string text = LoginStartEntryText(c.Program, c.Dir);
    EXPECT_NE(text.find("\n" + c.Exec + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + c.Path + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("[Desktop Entry]\nType=Application\n", 0), 0u);
  }
}

TEST(LoginStartTest, SwitchingOnWritesTheEntryAndOffRemovesIt) {
  test::TScratchDir home;
  const TEnv config("XDG_CONFIG_HOME", std::nullopt), homeVar("HOME", home.Path);
  const std::string entry = home.File(".config/autostart/tevra_panel.desktop");
  EXPECT_FALSE(LoginStartEnabled());
  EXPECT_TRUE(DisableLoginStart()) << "nothing to remove is no failure";
  ASSERT_TRUE(EnableLoginStart("/usr/bin/tevra_panel", "/srv/panel"));
  EXPECT_TRUE(LoginStartEnabled());
  std::string text;
  ASSERT_TRUE(ReadWholeFile(entry, text));
  EXPECT_EQ(text, LoginStartEntryText("/usr/bin/tevra_panel", "/srv/panel"));

  // Switched off in the desktop's own session settings: not enabled any more.
  for (const char* off : {"Hidden=true\r\n", "X-GNOME-Autostart-enabled=false\n"}) {
    ASSERT_TRUE(WriteFileAtomically(entry, text + off));
    EXPECT_FALSE(LoginStartEnabled()) << off;
  }
  EXPECT_TRUE(DisableLoginStart());
  EXPECT_FALSE(LoginStartEnabled());

  // A folder that cannot be made: the failure is reported, nothing claims to be enabled.
  ASSERT_TRUE(WriteFileAtomically(home.File("blocked"), "a file, not a folder"));
  const TEnv blocked("XDG_CONFIG_HOME", home.File("blocked"));
  EXPECT_FALSE(EnableLoginStart("/usr/bin/tevra_panel", "/srv/panel"));
  EXPECT_FALSE(LoginStartEnabled());
}

}  // namespace
}  // namespace tevra
