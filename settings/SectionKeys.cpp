#include "settings/SectionKeys.h"

#include <utility>

#include "base/NumberParse.h"

namespace tevra {

TSectionReader::TSectionReader(const Profile& profile, std::string section, std::size_t bufferSize)
    : profile_(profile), section_(std::move(section)), bufferSize_(bufferSize) {}

std::string TSectionReader::Value(const char* key) const {
  return Value(key, bufferSize_);
}

std::string TSectionReader::Value(const char* key, std::size_t bufferSize) const {
  return profile_.ReadString(section_, key, "", bufferSize);
}

void TSectionReader::Text(const char* key, std::string& value) const {
  value = Value(key);
}

void TSectionReader::Flag(const char* key, bool& value) const {
  int v = 0;
  if (ParseInteger(Value(key), 0, 1, v)) value = v == 1;
}

void TSectionReader::Integer(const char* key, int low, int high, int& value) const {
  ParseInteger(Value(key), low, high, value);
}

void TSectionReader::Checked(const char* key, bool (*valid)(const std::string&), std::string& value) const {
  std::string v = Value(key);
  if (valid(v)) value = std::move(v);
}

TSectionWriter::TSectionWriter(Profile& profile, std::string section)
    : profile_(profile), batch_(profile), section_(std::move(section)) {}

void TSectionWriter::Text(const char* key, const std::string& value) {
  profile_.WriteString(section_, key, value);
}

void TSectionWriter::Flag(const char* key, bool value) {
  profile_.WriteInteger(section_, key, value ? 1 : 0);
}

void TSectionWriter::Integer(const char* key, int value) {
  profile_.WriteInteger(section_, key, value);
}

void TSectionWriter::Integer(const char* key, int, int, int value) {
  Integer(key, value);
}

void TSectionWriter::Checked(const char* key, bool (*)(const std::string&), const std::string& value) {
  Text(key, value);
}

}  // namespace tevra
