#include "station/LoginStart.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/AtomicFile.h"

namespace tevra {
namespace {

constexpr const char* kEntryName = "tevra_panel.desktop";

// The escapes every string value of a desktop entry takes.
std::string EscapeValue(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == ' ' && i == 0) {
      out += "\\s";
    } else {
      out += c;
    }
  }
  return out;
}

// One argument of an Exec key: quoted when it holds a reserved character, with '"', '`', '$' and
// '\' escaped inside the quotes, and '%' doubled (a single one would be a field code).
std::string ExecArgument(const std::string& arg) {
  const bool quote = arg.empty() || arg.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string::npos;
  std::string out = quote ? "\"" : "";
  for (const char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  return out;
}

}  // namespace

std::string LoginStartEntryPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (config && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home && home[0] != '\0') {
    base = JoinPath(home, ".config");
  } else {
    return {};
  }
  return JoinPath(JoinPath(base, "autostart"), kEntryName);
}

bool LoginStartEnabled() {
  const std::string path = LoginStartEntryPath();
  std::string text;
  if (path.empty() || !ReadWholeFile(path, text)) return false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
  }
  return true;
}

std::string LoginStartEntryText(const std::string& program, const std::string& workingDir) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Tevra Panel\n"
         "Name[ja]=計測震度パネル\n"
         "Comment[ja]=ログイン時に計測震度パネルを起動します\n"
         "Exec=" +
         EscapeValue(ExecArgument(program)) + "\n" + "Path=" + EscapeValue(workingDir) + "\n" +
         "Icon=tevra_panel\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool EnableLoginStart(const std::string& program, const std::string& workingDir) {
  const std::string path = LoginStartEntryPath();
  if (path.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  return !ec && WriteFileAtomically(path, LoginStartEntryText(program, workingDir));
}

bool DisableLoginStart() {
  const std::string path = LoginStartEntryPath();
  if (path.empty()) return false;
  std::error_code ec;
  std::filesystem::remove(path, ec);
  return !ec;
}

}  // namespace tevra
