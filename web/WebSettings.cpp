#include "web/WebSettings.h"

#include "base/NumberParse.h"
#include "base/TextFormat.h"
#include "settings/DataOutputSettings.h"
#include "web/WebRules.h"

namespace tevra {
namespace {

constexpr const char* kSection = "Web";
constexpr int kReadBufferSize = 1024;

}  // namespace

TWebSettings LoadWebSettings(const Profile& profile) {
  TWebSettings s;
  const auto text = [&](const char* key) { return profile.ReadString(kSection, key, "", kReadBufferSize); };
  int value = 0;
  if (ParseInteger(text("Web"), 0, 1, value)) s.Web = value == 1;
  if (IsIpv4Address(text("WebAddress"))) s.WebAddress = text("WebAddress");
  if (ParseInteger(text("WebPort"), 1, 65535, value)) s.WebPort = value;
  s.WebTokenFile = text("WebTokenFile");
  s.WebCertFile = text("WebCertFile");
  s.WebKeyFile = text("WebKeyFile");
  return s;
}

void SaveWebSettings(const TWebSettings& s, Profile& profile) {
  const Profile::TBatch batch(profile);
  profile.WriteInteger(kSection, "Web", s.Web ? 1 : 0);
  profile.WriteString(kSection, "WebAddress", s.WebAddress);
  profile.WriteInteger(kSection, "WebPort", s.WebPort);
  profile.WriteString(kSection, "WebTokenFile", s.WebTokenFile);
  profile.WriteString(kSection, "WebCertFile", s.WebCertFile);
  profile.WriteString(kSection, "WebKeyFile", s.WebKeyFile);
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
