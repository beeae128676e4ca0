#include "settings/IniText.h"

#include "base/Cp932.h"

namespace tevra {
namespace {

struct TLine {
  std::size_t Begin;  // first byte
  std::size_t End;    // one past the content, before any CR LF
  std::size_t Next;   // start of the next line
};

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsCp932LeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

// Position of the first `c` that is a character of its own (not a trail byte), or npos.
std::size_t FindChar(std::string_view s, char c) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == c) return i;
    if (IsCp932LeadByte(static_cast<unsigned char>(s[i]))) ++i;
  }
  return std::string_view::npos;
}

TLine LineAt(std::string_view file, std::size_t begin) {
  std::size_t nl = file.find('\n', begin);
  const std::size_t next = nl == std::string_view::npos ? file.size() : nl + 1;
  std::size_t end = nl == std::string_view::npos ? file.size() : nl;
  if (end > begin && file[end - 1] == '\r') --end;
  return {begin, end, next};
}

// The name of a section header line, or false when the line is none.
bool SectionName(std::string_view content, std::string_view& name) {
  content = Trim(content);
  if (content.empty() || content.front() != '[') return false;
  content.remove_prefix(1);
  const std::size_t close = FindChar(content, ']');
  name = Trim(close == std::string_view::npos ? content : content.substr(0, close));
  return true;
}

bool KeyLine(std::string_view content, std::string_view& key, std::string_view& value) {
  const std::string_view trimmed = Trim(content);
  if (trimmed.empty() || trimmed.front() == ';') return false;
  const std::size_t eq = content.find('=');
  if (eq == std::string_view::npos) return false;
  key = Trim(content.substr(0, eq));
  value = Trim(content.substr(eq + 1));
  return true;
}

struct TFound {
  bool Section = false;
  std::size_t SectionLast = 0;  // Next of the section's last non-blank line
  bool Key = false;
  TLine KeyLine{0, 0, 0};
  std::string_view Value;
};

TFound Search(std::string_view file, std::string_view section, std::string_view key) {
  TFound f;
  bool inside = false;
  for (std::size_t pos = 0; pos < file.size();) {
    const TLine line = LineAt(file, pos);
    pos = line.Next;
    const std::string_view content = file.substr(line.Begin, line.End - line.Begin);
    std::string_view name;
    if (SectionName(content, name)) {
      if (inside) break;  // the first matching section is the one that counts
      inside = SameName(name, section);
      if (inside) {
        f.Section = true;
        f.SectionLast = line.Next;
      }
      continue;
    }
    if (!inside) continue;
    if (!Trim(content).empty()) f.SectionLast = line.Next;
    std::string_view k, v;
    if (!f.Key && KeyLine(content, k, v) && SameName(k, key)) {
      f.Key = true;
      f.KeyLine = line;
      f.Value = v;
    }
  }
  return f;
}

// False when the text ends with the first byte of a two-byte character, which would take the
// following byte (a ']' for instance) as its second.
bool EndsOnCharacter(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsCp932LeadByte(static_cast<unsigned char>(s[i])) && ++i == s.size()) return false;
  }
  return true;
}

// The bytes that end a line whose last byte is `last`.
const char* LineEndAfter(char last, const char* eol) {
  return last == '\r' ? "\n" : eol;
}

bool WritableSection(std::string_view s) {
  return EndsOnCharacter(s) && FindChar(s, ']') == std::string_view::npos &&
         s.find_first_of("\r\n") == std::string_view::npos && Trim(s) == s;
}

bool WritableKey(std::string_view k) {
  return !k.empty() && Trim(k) == k && k.find_first_of("=\r\n") == std::string_view::npos &&
         k.front() != '[' && k.front() != ';';
}

}  // namespace

bool FindIniValue(std::string_view file, std::string_view section, std::string_view key,
                  std::string_view& value) {
  const TFound f = Search(file, section, key);
  if (!f.Key) return false;
  value = f.Value;
  return true;
}

bool SetIniValue(std::string& file, std::string_view section, std::string_view key, std::string_view value) {
  if (!WritableSection(section) || !WritableKey(key)) return false;
  std::string line(key);
  line += '=';
  for (char c : value) line += (c == '\r' || c == '\n') ? ' ' : c;

  const TLine first = LineAt(file, 0);
  const bool crlf = first.Next > first.End + 1;
  const char* eol = crlf ? "\r\n" : "\n";

  const TFound f = Search(file, section, key);
  if (f.Key) {
    file.replace(f.KeyLine.Begin, f.KeyLine.End - f.KeyLine.Begin, line);
    return true;
  }
  if (f.Section) {
    std::string insert;
    // The section's last line may be the file's last line, without a line end, or with only the
    // CR of one: completed, a lone CR would otherwise become part of that line's text.
    if (f.SectionLast > 0 && file[f.SectionLast - 1] != '\n')
      insert += LineEndAfter(file[f.SectionLast - 1], eol);
    insert += line;
    insert += eol;
    file.insert(f.SectionLast, insert);
    return true;
  }
  if (!file.empty() && file.back() != '\n') file += LineEndAfter(file.back(), eol);
  file += '[';
  file += section;
  file += ']';
  file += eol;
  file += line;
  file += eol;
  return true;
}

}  // namespace tevra
