#include "mqtt/MqttSettings.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>

#include "mqtt/MqttTopics.h"
#include "settings/Profile.h"
#include "settings/SectionKeys.h"

namespace tevra {
namespace {

constexpr std::size_t kReadBufferSize = 1024;
constexpr std::size_t kLongestPassword = 4096;

bool HasBlank(const std::string& text) {
  return text.find_first_of(" \t\r\n") != std::string::npos;
}

// The section's keys in the file's order, for reading and writing alike.
constexpr auto kMqttKeys = [](auto& io, auto& s) {
  io.Flag("MQTT", s.Enabled);
  io.Text("Host", s.Host);
  io.Integer("Port", 1, 65535, s.Port);
  io.Flag("TLS", s.Tls);
  io.Text("CAFile", s.CaFile);
  io.Text("CertFile", s.CertFile);
  io.Text("KeyFile", s.KeyFile);
  io.Text("Username", s.Username);
  io.Text("PasswordFile", s.PasswordFile);
  io.Checked("TopicPrefix", IsTopicPrefix, s.TopicPrefix);
  io.Flag("Discovery", s.Discovery);
  io.Checked("DiscoveryPrefix", IsTopicPrefix, s.DiscoveryPrefix);
};

}  // namespace

TMqttSettings LoadMqttSettings(const Profile& p) {
  TMqttSettings s;
  const TSectionReader r(p, kMqttSection, kReadBufferSize);
  // The usual port follows TLS, unless the file names another one.
  r.Flag("TLS", s.Tls);
  s.Port = s.Tls ? TMqttSettings::TlsPort : TMqttSettings::PlainPort;
  kMqttKeys(r, s);
  return s;
}

void SaveMqttSettings(const TMqttSettings& s, Profile& p) {
  WriteKeys(p, kMqttSection, s, kMqttKeys);
}

TStatus CheckMqttSettings(const TMqttSettings& s) {
  if (s.Enabled && s.Host.empty()) return TError{"ホストを入力してください"};
  if (HasBlank(s.Host)) return TError{"ホストに空白があります"};
  if (s.Port < 1 || s.Port > 65535) return TError{"ポートは1～65535です"};
  if (s.Tls && s.CaFile.empty()) return TError{"TLSにはCAファイルが必要です"};
  if (s.CertFile.empty() != s.KeyFile.empty()) return TError{"クライアント証明書と鍵は両方指定してください"};
  if (!s.PasswordFile.empty() && s.Username.empty())
    return TError{"パスワードファイルにはユーザー名が必要です"};
  if (!s.TopicPrefix.empty() && !IsTopicPrefix(s.TopicPrefix))
    return TError{"トピックの接頭辞が正しくありません"};
  if (!IsTopicPrefix(s.DiscoveryPrefix)) return TError{"ディスカバリーの接頭辞が正しくありません"};
  return {};
}

TResult<std::string> ReadPasswordFile(const std::string& path) {
  const auto unreadable = [&path](int err) {
    return TError{"パスワードファイルを読めません（" + path + "、" + ErrnoText(err) + "）", err};
  };
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return unreadable(errno);
  if (!S_ISREG(st.st_mode)) return TError{"パスワードファイルが通常のファイルではありません（" + path + "）"};
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return TError{"パスワードファイルにグループか他のユーザーの権限があります（" + path +
                  "、chmod 600 にしてください）"};
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return unreadable(errno);
  std::string line;
  if (static_cast<std::size_t>(st.st_size) > kLongestPassword || !std::getline(in, line))
    return TError{"パスワードファイルを読めません（" + path + "）"};
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

TResult<TMqttConnection> MqttConnectionFor(const TMqttSettings& s, const std::string& program,
                                           const std::string& network, const std::string& station) {
  if (const TStatus usable = CheckMqttSettings(s); !usable) return usable.Error();
  TMqttConnection c;
  c.Host = s.Host;
  c.Port = s.Port;
  c.Tls = s.Tls;
  c.CaFile = s.CaFile;
  c.CertFile = s.CertFile;
  c.KeyFile = s.KeyFile;
  c.Username = s.Username;
  c.ClientId = "tevra-" + program + "-" + network + "." + station;
  if (s.PasswordFile.empty()) return c;
  TResult<std::string> password = ReadPasswordFile(s.PasswordFile);
  if (!password) return password.Error();
  c.Password = std::move(password).Value();
  return c;
}

}  // namespace tevra
