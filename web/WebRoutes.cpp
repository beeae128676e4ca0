#include "web/WebRoutes.h"

#include "web/WebPage.h"
#include "web/WebRules.h"

namespace tevra {
namespace {

TWebReply Content(std::string type, std::string body) {
  TWebReply reply;
  reply.ContentType = std::move(type);
  reply.Body = std::move(body);
  return reply;
}

TWebReply Refuse(int status, std::string reason) {
  return PlainWebReply(status, std::move(reason));
}

constexpr std::string_view Json = "application/json";

}  // namespace

TWebReply PlainWebReply(int status, std::string refusal) {
  TWebReply reply;
  reply.Status = status;
  reply.ContentType = "text/plain; charset=utf-8";
  reply.Body = std::to_string(status) + "\n";
  reply.Refusal = std::move(refusal);
  return reply;
}

TWebReply AnswerWebRequest(const TWebRequestView& request, const TWebSite& site) {
  if (request.Method != "GET") return Refuse(405, "method " + std::string(request.Method.substr(0, 16)));
  if (site.LoopbackOnly && !IsLoopbackHost(request.Host)) return Refuse(403, "foreign Host");
  const std::string_view path = TargetPath(request.Target);
  const std::string queryToken = QueryValue(request.Target, "token");
  if (!site.Token.empty()) {
    const std::string cookie = CookieValue(request.Cookie, TokenCookieName(site.Port));
    const std::string bearer = BearerToken(request.Authorization);
    const bool allowed =
        SameToken(queryToken, site.Token) || SameToken(bearer, site.Token) || SameToken(cookie, site.Token);
    if (!allowed) return Refuse(401, "no valid token");
    if (path == "/" && !queryToken.empty()) {
      // The token leaves the address bar (and history, and anyone looking at the screen) at once.
      TWebReply reply;
      reply.Status = 303;
      reply.Location = WithoutToken(request.Target);
      reply.SetCookie = TokenCookieName(site.Port) + "=" + site.Token +
                        "; Path=/; HttpOnly; SameSite=Strict" + (site.Tls ? "; Secure" : "");
      return reply;
    }
  }
  if (path == "/api/live" || path == "/seedlink") {
    if (!request.Upgrade) return Refuse(426, "WebSocket endpoint without upgrade");
    if (!request.Origin.empty() && !IsOwnOrigin(request.Origin, request.Host, site.Tls))
      return Refuse(403, "foreign Origin");
    TWebReply reply;
    reply.Status = 101;
    reply.Socket = path == "/api/live" ? TWebSocketKind::Live : TWebSocketKind::SeedLink;
    return reply;
  }
  if (path == "/")
    return Content("text/html; charset=utf-8", PageHtml(PrefersEnglish(request.AcceptLanguage)));
  if (path == "/app.js") return Content("text/javascript; charset=utf-8", std::string(PageScript()));
  if (path == "/app.css") return Content("text/css; charset=utf-8", std::string(PageStyle()));
  // Browsers ask for /favicon.ico whatever the page names: the same icon spares them a 404.
  if (path == "/icon.svg" || path == "/favicon.ico") return Content("image/svg+xml", std::string(PageIcon()));
  if (path == "/api/status") return Content(std::string(Json), site.Status ? site.Status() : "{}");
  if (path == "/api/history" && site.History) {
    const std::string span = QueryValue(request.Target, "span");
    if (span != "1h" && span != "24h" && span != "7d") return Refuse(400, "bad history span");
    return Content(std::string(Json), site.History(span));
  }
  if (path == "/api/alarms" && site.Alarms) return Content(std::string(Json), site.Alarms());
  constexpr std::string_view PicturePrefix = "/api/alarms/", PictureSuffix = ".png";
  if (site.AlarmPicture && path.size() > PicturePrefix.size() + PictureSuffix.size() &&
      path.substr(0, PicturePrefix.size()) == PicturePrefix && path.ends_with(PictureSuffix)) {
    std::string png;
    const std::string_view id =
        path.substr(PicturePrefix.size(), path.size() - PicturePrefix.size() - PictureSuffix.size());
    if (site.AlarmPicture(id, png)) return Content("image/png", std::move(png));
  }
  return PlainWebReply(404, "");
}

}  // namespace tevra
