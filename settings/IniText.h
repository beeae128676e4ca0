#pragma once
// The text of an INI file as CP932 bytes: "[section]" lines and "key=value" lines. Section and key
// names match ignoring ASCII letter case (never the trail byte of a two-byte character); blanks
// around names and values and a trailing CR are not part of them. Lines starting with ';' are
// comments. The first matching section and the first matching key in it count.
#include <string>
#include <string_view>

namespace tevra {

// The value of `key` in `section`; false when the section or the key is not there.
bool FindIniValue(std::string_view file, std::string_view section, std::string_view key,
                  std::string_view& value);

// Sets `key` = `value` in `section`: an existing line is replaced where it stands, a new key goes
// after the last line of its section, a new section goes to the end of the file. Every other byte
// of the file is kept; new lines take the line end of the file's first line. Line breaks inside
// `value` become blanks. False (file unchanged) when the names cannot be written as INI lines.
bool SetIniValue(std::string& file, std::string_view section, std::string_view key, std::string_view value);

}  // namespace tevra
