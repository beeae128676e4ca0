// Section [MQTT], its checks, and the password file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>

#include "mqtt/MqttSettings.h"
#include "settings/Profile.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace {

void WriteText(const std::string& path, const std::string& text, mode_t mode) {
  std::ofstream(path) << text;
  ::chmod(path.c_str(), mode);
}

TEST(MqttSettings, RoundTripDefaultsAndBadValues) {
  test::TScratchDir dir;
  const std::string ini = dir.File("TevraPanel.ini");
  {
    Profile p(ini);
    const TMqttSettings defaults = LoadMqttSettings(p);
    EXPECT_FALSE(defaults.Enabled);
    EXPECT_EQ(defaults.Port, 1883);
    EXPECT_TRUE(defaults.Discovery);
    EXPECT_EQ(defaults.DiscoveryPrefix, "homeassistant");
    TMqttSettings s;
    s.Enabled = true;
    s.Host = "broker.example";
    s.Port = 8884;
    s.Tls = true;
    s.CaFile = "/etc/ca.pem";
    s.Username = "tevra";
    s.PasswordFile = "/etc/tevra/pw";
    s.TopicPrefix = "site/a";
    s.Discovery = false;
    s.DiscoveryPrefix = "ha";
    SaveMqttSettings(s, p);
    EXPECT_EQ(LoadMqttSettings(Profile(ini)), s);
  }
  WriteText(ini, "[MQTT]\r\nMQTT=2\r\nTLS=1\r\nPort=70000\r\nTopicPrefix=a/#\r\nDiscoveryPrefix=/x\r\n",
            0600);
  const TMqttSettings bad = LoadMqttSettings(Profile(ini));
  EXPECT_FALSE(bad.Enabled);
  EXPECT_EQ(bad.Port, 8883);  // TLS's port when none is given
  EXPECT_EQ(bad.TopicPrefix, "");
  EXPECT_EQ(bad.DiscoveryPrefix, "homeassistant");
}

TEST(MqttSettings, EachBadValueIsNamed) {
  TMqttSettings good;
  good.Enabled = true;
  good.Host = "127.0.0.1";
  EXPECT_TRUE(CheckMqttSettings(good));
  const struct {
    void (*Spoil)(TMqttSettings&);
    const char* Named;
  } cases[] = {
      {[](TMqttSettings& s) { s.Host = ""; }, "ホスト"},
      {[](TMqttSettings& s) { s.Host = "a b"; }, "ホスト"},
      {[](TMqttSettings& s) { s.Port = 0; }, "ポート"},
      {[](TMqttSettings& s) { s.Tls = true; }, "CA"},
      {[](TMqttSettings& s) { s.CertFile = "c.pem"; }, "証明書"},
      {[](TMqttSettings& s) { s.PasswordFile = "pw"; }, "ユーザー名"},
      {[](TMqttSettings& s) { s.TopicPrefix = "a/+"; }, "トピック"},
      {[](TMqttSettings& s) { s.DiscoveryPrefix = ""; }, "ディスカバリー"},
  };
  for (const auto& c : cases) {
    TMqttSettings s = good;
    c.Spoil(s);
    const TStatus usable = CheckMqttSettings(s);
    ASSERT_FALSE(usable) << c.Named;
    EXPECT_NE(usable.Error().Message.find(c.Named), std::string::npos) << c.Named;
    const TResult<TMqttConnection> connection = MqttConnectionFor(s, "panel", "XX", "TEVRA");
    ASSERT_FALSE(connection);
    EXPECT_EQ(connection.Error().Message, usable.Error().Message);
  }
}

TEST(MqttSettings, PasswordFileMustBePrivate) {
  test::TScratchDir dir;
  const std::string pw = dir.File("pw");
  WriteText(pw, "s3cret\r\nsecond line\n", 0600);
  TMqttSettings s;
  s.Enabled = true;
  s.Host = "127.0.0.1";
  s.Username = "tevra";
  s.PasswordFile = pw;
  const TResult<TMqttConnection> connection = MqttConnectionFor(s, "monitor", "XX", "TEVRA");
  ASSERT_TRUE(connection) << connection.Error().Message;
  TMqttConnection c = connection.Value();
  EXPECT_EQ(c.Password, "s3cret");
  EXPECT_EQ(c.ClientId, "tevra-monitor-XX.TEVRA");
  EXPECT_FALSE(PasswordInClear(c));  // loopback
  c.Host = "192.0.2.1";
  EXPECT_TRUE(PasswordInClear(c));
  c.Tls = true;
  EXPECT_FALSE(PasswordInClear(c));

  for (const mode_t mode : {0640, 0604}) {
    ::chmod(pw.c_str(), mode);
    const TResult<std::string> password = ReadPasswordFile(pw);
    ASSERT_FALSE(password);
    EXPECT_NE(password.Error().Message.find("chmod 600"), std::string::npos);
    EXPECT_EQ(password.Error().Message.find("s3cret"), std::string::npos);
  }
  // A file that is not there says why, and keeps the system's code.
  const TResult<std::string> missing = ReadPasswordFile(dir.File("missing"));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Error().Message,
            "パスワードファイルを読めません（" + dir.File("missing") + "、No such file or directory）");
  EXPECT_EQ(missing.Error().Errno, ENOENT);
  EXPECT_FALSE(ReadPasswordFile(dir.Path));  // a folder
  WriteText(pw, "", 0600);
  EXPECT_FALSE(ReadPasswordFile(pw));
  EXPECT_FALSE(MqttConnectionFor(s, "panel", "XX", "TEVRA"));
}

}  // namespace
}  // namespace tevra
