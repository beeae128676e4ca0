#include "settings/Profile.h"

#include <sys/stat.h>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "settings/IniText.h"
#include "base/NumberParse.h"

namespace tevra {
namespace {

constexpr std::size_t IntegerBuffer = 16;
constexpr std::size_t FloatBuffer = 32;

bool Readable(const std::string& path) {
  std::FILE* f = OpenRegularFile(path);
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

Profile::Profile(const std::string& fileName) : Missing(0), Path(InWorkingDirectory(fileName)) {
  Missing = Readable(Path) ? 0 : -1;
}

bool Profile::Unreadable() const {
  struct stat st {};
  return ::stat(Path.c_str(), &st) == 0 && !Readable(Path);
}

std::string Profile::ReadString(const std::string& section, const std::string& key, const std::string& def,
                                std::size_t bufferSize) const {
  if (bufferSize == 0) return std::string();
  std::string file;
  std::string_view value;
  std::string stored;
  if (CurrentText(file) && FindIniValue(file, Utf8ToCp932(section), Utf8ToCp932(key), value)) {
    stored.assign(value);
  } else {
    stored = Utf8ToCp932(def);
  }
  return Cp932ToUtf8(CutCp932(stored, bufferSize - 1));
}

std::string Profile::WriteString(const std::string& section, const std::string& key,
                                 const std::string& value) {
  std::string file;
  // A file that cannot be read is written over, as a missing one would be, and readable.
  const bool readable = CurrentText(file);
  if (!readable) file.clear();
  if (SetIniValue(file, Utf8ToCp932(section), Utf8ToCp932(key), Utf8ToCp932(value))) {
    if (batchOpen_) {
      batchText_ = std::move(file);
      batchChanged_ = true;
    } else {
      WriteFileAtomically(Path, file, readable);
    }
  }
  return value;
}

bool Profile::CurrentText(std::string& text) const {
  if (!batchOpen_) return ReadWholeFile(Path, text);
  text = batchText_;
  return true;
}

Profile::TBatch::TBatch(Profile& profile) : profile_(profile) {
  profile_.batchReadable_ = ReadWholeFile(profile_.Path, profile_.batchText_);
  if (!profile_.batchReadable_) profile_.batchText_.clear();
  profile_.batchOpen_ = true;
  profile_.batchChanged_ = false;
}

Profile::TBatch::~TBatch() {
  profile_.batchOpen_ = false;
  if (profile_.batchChanged_)
    WriteFileAtomically(profile_.Path, profile_.batchText_, profile_.batchReadable_);
  profile_.batchText_.clear();
}

int Profile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  return ParseLongPrefix(ReadString(section, key, FormatInt(def), IntegerBuffer));
}

int Profile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, FormatInt(value));
  return value;
}

double Profile::ReadFloat(const std::string& section, const std::string& key, double def) const {
  return ParseDecimalPrefix(ReadString(section, key, FormatFixed6(def), FloatBuffer));
}

double Profile::WriteFloat(const std::string& section, const std::string& key, double value) {
  WriteString(section, key, FormatFixed6(value));
  return value;
}

}  // namespace tevra
