#include "web/WebRules.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <fstream>
#include <sstream>

namespace tevra {
namespace {

bool IEquals(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i] == '+' ? ' ' : text[i];
    }
  }
  return out;
}

// The host of a Host header without its port.
std::string_view HostName(std::string_view host) {
  if (!host.empty() && host[0] == '[') return host.substr(0, host.find(']') + 1);
  return host.substr(0, host.find(':'));
}

}  // namespace

bool IsLoopbackAddress(std::string_view dotted) {
  int parts = 0, value = -1, first = -1;
  for (const char c : dotted) {
    if (c == '.') {
      if (value < 0) return false;
      if (parts == 0) first = value;
      ++parts;
      value = -1;
    } else if (c >= '0' && c <= '9') {
      value = (value < 0 ? 0 : value * 10) + (c - '0');
      if (value > 255) return false;
    } else {
      return false;
    }
  }
  return parts == 3 && value >= 0 && first == 127;
}

bool IsLoopbackHost(std::string_view host) {
  const std::size_t colon = host.rfind(':');
  if (colon != std::string_view::npos && host.back() != ']') {
    const std::string_view port = host.substr(colon + 1);
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), ::isdigit)) return false;
  }
  const std::string_view name = HostName(host);
  return IEquals(name, "localhost") || IsLoopbackAddress(name) || name == "[::1]";
}

bool IsOwnOrigin(std::string_view origin, std::string_view host, bool tls) {
  const std::string_view scheme = tls ? "https://" : "http://";
  return !host.empty() && origin.size() == scheme.size() + host.size() &&
         IEquals(origin.substr(0, scheme.size()), scheme) && IEquals(origin.substr(scheme.size()), host);
}

bool SameToken(std::string_view given, std::string_view secret) {
  // Every character of the secret is looked at whatever the given text is, and nothing ends early.
  volatile unsigned char difference = given.size() == secret.size() ? 0 : 1;
  for (std::size_t i = 0; i < secret.size(); ++i) {
    const unsigned char g = i < given.size() ? static_cast<unsigned char>(given[i]) : 0;
    difference = difference | (g ^ static_cast<unsigned char>(secret[i]));
  }
  return !secret.empty() && difference == 0;
}

std::string_view TargetPath(std::string_view target) {
  return target.substr(0, target.find('?'));
}

std::string QueryValue(std::string_view target, std::string_view key) {
  const std::size_t question = target.find('?');
  if (question == std::string_view::npos) return {};
  std::string_view query = target.substr(question + 1);
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    const std::size_t eq = pair.find('=');
    if (pair.substr(0, eq) == key)
      return eq == std::string_view::npos ? "" : PercentDecoded(pair.substr(eq + 1));
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return {};
}

std::string WithoutToken(std::string_view target) {
  const std::size_t question = target.find('?');
  std::string out(target.substr(0, question));
  if (question == std::string_view::npos) return out;
  std::string_view query = target.substr(question + 1);
  std::string kept;
  while (!query.empty()) {
    const std::size_t amp = query.find('&');
    const std::string_view pair = query.substr(0, amp);
    if (pair.substr(0, pair.find('=')) != "token" && !pair.empty()) {
      if (!kept.empty()) kept += '&';
      kept += pair;
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return kept.empty() ? out : out + "?" + kept;
}

std::string CookieValue(std::string_view header, std::string_view name) {
  while (!header.empty()) {
    const std::size_t semi = header.find(';');
    std::string_view pair = header.substr(0, semi);
    while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
    const std::size_t eq = pair.find('=');
    if (eq != std::string_view::npos && pair.substr(0, eq) == name) return std::string(pair.substr(eq + 1));
    if (semi == std::string_view::npos) break;
    header.remove_prefix(semi + 1);
  }
  return {};
}

std::string BearerToken(std::string_view header) {
  if (header.size() <= 7 || !IEquals(header.substr(0, 7), "Bearer ")) return {};
  return std::string(header.substr(7));
}

std::string TokenCookieName(int port) {
  return "tevra_token_" + std::to_string(port);
}

bool PrefersEnglish(std::string_view acceptLanguage) {
  // The first language named decides; quality values are rarely out of order in practice.
  while (!acceptLanguage.empty() && acceptLanguage.front() == ' ') acceptLanguage.remove_prefix(1);
  return acceptLanguage.size() >= 2 && IEquals(acceptLanguage.substr(0, 2), "en");
}

TResult<std::string> NewToken() {
  unsigned char bytes[MinTokenChars / 2];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n > 0)
      got += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      return InContext("トークンを作成できません", SystemError("getrandom"));
  }
  static constexpr char Digits[] = "0123456789abcdef";
  std::string token;
  for (const unsigned char b : bytes) {
    token += Digits[b >> 4];
    token += Digits[b & 15];
  }
  return token;
}

TResult<std::string> ReadTokenFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const int err = errno;
    return TError{"トークンファイルを読めません: " + path + " (" + ErrnoText(err) + ")", err};
  }
  if ((st.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    return TError{"トークンファイルが所有者以外にも読めます: " + path};
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  std::string value = text.str();
  while (!value.empty() && (value.back() == '\n' || value.back() == '\r')) value.pop_back();
  const bool printable = std::all_of(value.begin(), value.end(), [](char c) { return c > ' ' && c < 127; });
  if (!in || value.size() < MinTokenChars || !printable)
    return TError{"トークンファイルに32文字以上のトークンがありません: " + path};
  return value;
}

TStatus WriteTokenFile(const std::string& path, const std::string& token) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const std::string line = token + "\n";
  const bool ok = fd >= 0 && ::fchmod(fd, 0600) == 0 &&
                  ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  const int err = errno;
  if (fd >= 0) ::close(fd);
  if (!ok) return TError{"トークンファイルを書けません: " + path + " (" + ErrnoText(err) + ")", err};
  return {};
}

}  // namespace tevra
