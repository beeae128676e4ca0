#pragma once
// The keys of one section of a settings file, read and written the same way in every section: a
// flag is 1 or 0, a number is whole and within its bounds, and a value that is missing or does not
// read as such leaves the default in place. Reader and writer take the same calls, so that one list
// of a section's keys, a generic lambda `keys(io, settings)`, serves loading and saving alike.
#include <cstddef>
#include <string>

#include "settings/Profile.h"

namespace tevra {

class TSectionReader {
 public:
  // `bufferSize` as for Profile::ReadString: longer values come back cut.
  TSectionReader(const Profile& profile, std::string section, std::size_t bufferSize);

  // The text as it stands ("" when the key is missing).
  std::string Value(const char* key) const;
  std::string Value(const char* key, std::size_t bufferSize) const;

  void Text(const char* key, std::string& value) const;
  void Flag(const char* key, bool& value) const;
  void Integer(const char* key, int low, int high, int& value) const;
  // The text, taken only when `valid` accepts it.
  void Checked(const char* key, bool (*valid)(const std::string&), std::string& value) const;

 private:
  const Profile& profile_;
  std::string section_;
  std::size_t bufferSize_;
};

// Writes keys of one section; the file is replaced once, when the writer goes.
class TSectionWriter {
 public:
  TSectionWriter(Profile& profile, std::string section);

  void Text(const char* key, const std::string& value);
  void Flag(const char* key, bool value);
  void Integer(const char* key, int value);
  // The reader's bounds and checks, which a value to be written has passed already.
  void Integer(const char* key, int low, int high, int value);
  void Checked(const char* key, bool (*valid)(const std::string&), const std::string& value);

 private:
  Profile& profile_;
  Profile::TBatch batch_;
  std::string section_;
};

// The settings `keys` lists, read from `section`; defaults where the file has nothing usable.
template <class Settings, class Keys>
Settings ReadKeys(const Profile& profile, const std::string& section, std::size_t bufferSize, Keys keys) {
  Settings settings;
  const TSectionReader reader(profile, section, bufferSize);
  keys(reader, settings);
  return settings;
}

// Writes the keys `keys` lists to `section` in one replacement of the file.
template <class Settings, class Keys>
void WriteKeys(Profile& profile, const std::string& section, const Settings& settings, Keys keys) {
  TSectionWriter writer(profile, section);
  keys(writer, settings);
}

}  // namespace tevra
