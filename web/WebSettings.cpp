#include "web/WebSettings.h"

#include "base/TextFormat.h"
#include "settings/DataOutputSettings.h"
#include "settings/SectionKeys.h"
#include "web/WebRules.h"

namespace tevra {
namespace {

constexpr const char* kSection = "Web";
constexpr std::size_t kReadBufferSize = 1024;

// The section's keys in the file's order, for reading and writing alike.
constexpr auto kWebKeys = [](auto& io, auto& s) {
  io.Flag("Web", s.Web);
  io.Checked("WebAddress", IsIpv4Address, s.WebAddress);
  io.Integer("WebPort", 1, 65535, s.WebPort);
  io.Text("WebTokenFile", s.WebTokenFile);
  io.Text("WebCertFile", s.WebCertFile);
  io.Text("WebKeyFile", s.WebKeyFile);
};

}  // namespace

TWebSettings LoadWebSettings(const Profile& profile) {
  return ReadKeys<TWebSettings>(profile, kSection, kReadBufferSize, kWebKeys);
}

void SaveWebSettings(const TWebSettings& s, Profile& profile) {
  WriteKeys(profile, kSection, s, kWebKeys);
}

TStatus CheckWebSettings(const TWebSettings& s) {
  if (!IsIpv4Address(s.WebAddress)) return TError{"アドレスが正しくありません: " + s.WebAddress};
  if (s.WebPort < 1 || s.WebPort > 65535)
    return TError{Printf("ポート番号が正しくありません: %d", s.WebPort)};
  if (s.WebCertFile.empty() != s.WebKeyFile.empty())
    return TError{"証明書ファイルと鍵ファイルは両方とも指定してください"};
  if (!IsLoopbackAddress(s.WebAddress) && s.WebTokenFile.empty())
    return TError{"ループバック以外のアドレスにはトークンファイルが必要です: " + s.WebAddress};
  return {};
}

std::string WebPageAddress(const TWebSettings& s, const std::string& token, const std::string& hostAddress) {
  // A server on every interface is reached through one of this machine's own addresses.
  const std::string host = s.WebAddress == "0.0.0.0" && !hostAddress.empty() ? hostAddress : s.WebAddress;
  return std::string(s.WebCertFile.empty() ? "http://" : "https://") + host + ":" +
         std::to_string(s.WebPort) + "/" + (token.empty() ? "" : "?token=" + token);
}

}  // namespace tevra
