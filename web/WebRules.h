#pragma once
// The web server's checks of a request, free of sockets: the token and where it may come from, the
// Host a loopback server accepts, the Origin a WebSocket may come from, and the token file.
#include <string>
#include <string_view>

#include "base/Result.h"

namespace tevra {

// 127.0.0.0/8 in dotted form.
bool IsLoopbackAddress(std::string_view dotted);
// A Host header naming this machine by a loopback name: localhost, 127.x.x.x or [::1], with or
// without a port. A server bound to loopback refuses every other name (DNS rebinding).
bool IsLoopbackHost(std::string_view host);
// An Origin header naming the server itself: "http(s)://" followed by the Host the request went to.
bool IsOwnOrigin(std::string_view origin, std::string_view host, bool tls);

// Compares a given token with the secret in a time that depends only on the secret's length.
bool SameToken(std::string_view given, std::string_view secret);

// The value of `key` in the query of a request target ("" when absent), percent-decoded.
std::string QueryValue(std::string_view target, std::string_view key);
// The target without its query.
std::string_view TargetPath(std::string_view target);
// The target with `token=` taken out of its query.
std::string WithoutToken(std::string_view target);
// The value of cookie `name` in a Cookie header ("" when absent).
std::string CookieValue(std::string_view header, std::string_view name);
// The token of "Authorization: Bearer <token>" ("" otherwise).
std::string BearerToken(std::string_view header);
// One cookie per port, so servers of two programs on one host keep their tokens apart.
std::string TokenCookieName(int port);

// True when the browser prefers English to Japanese (the page is Japanese otherwise).
bool PrefersEnglish(std::string_view acceptLanguage);

// Tokens: 32 hexadecimal digits (128 random bits).
constexpr std::size_t MinTokenChars = 32;
TResult<std::string> NewToken();
// Reads the token from `path`: the file must be readable by its owner alone and hold at least
// MinTokenChars printable characters without blanks. An error (Japanese) otherwise.
TResult<std::string> ReadTokenFile(const std::string& path);
// Writes a new token to `path`, readable by its owner alone.
TStatus WriteTokenFile(const std::string& path, const std::string& token);

}  // namespace tevra
