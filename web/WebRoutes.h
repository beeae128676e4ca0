#pragma once
// What the web server answers to one request, free of sockets: the checks of web/WebRules.h in
// order, then the page, its script, style and icon, the data endpoints and the two WebSocket endpoints.
// Nothing a request asks changes anything: every endpoint only reads.
#include <functional>
#include <string>
#include <string_view>

namespace tevra {

struct TWebRequestView {
  std::string_view Method, Target, Host, Origin, Authorization, Cookie, AcceptLanguage;
  bool Upgrade = false;  // a WebSocket upgrade
};

enum class TWebSocketKind { None, Live, SeedLink };

struct TWebReply {
  int Status = 200;
  std::string ContentType;
  std::string Body;
  std::string Location;   // of a redirect
  std::string SetCookie;  // with the token, after a redirect that strips it
  TWebSocketKind Socket = TWebSocketKind::None;
  std::string Refusal;  // why a request was refused, for the log ("" for ordinary answers)
};

// The server's settings and the sources of its data, called on the server's thread. An empty
// History or AlarmPicture means the program keeps none: those endpoints answer 404.
struct TWebSite {
  std::string Token;  // "" on loopback without a token
  int Port = 0;
  bool LoopbackOnly = true;
  bool Tls = false;
  std::function<std::string()> Status;
  std::function<std::string(std::string_view span)> History;  // span "1h", "24h" or "7d"
  std::function<std::string()> Alarms;
  // The picture of alarm `id` as the alarm list names it; false when there is none.
  std::function<bool(std::string_view id, std::string& png)> AlarmPicture;
};

// A short text answer with `status`; `refusal` is why, for the log.
TWebReply PlainWebReply(int status, std::string refusal);

TWebReply AnswerWebRequest(const TWebRequestView& request, const TWebSite& site);

}  // namespace tevra
