#pragma once
// One settings (INI) file: typed reads and writes of section/key values. Nothing is cached: every
// call reads the file, and every write replaces it atomically. Failures are silent by design:
// reads fall back to the default, a write that cannot be done is lost.
#include <cstddef>
#include <string>

namespace tevra {

class Profile {
 public:
  // A name with '/' is a complete path; any other name is taken in the current directory.
  explicit Profile(const std::string& fileName);

  int Missing;  // 0 if the file was readable at construction, -1 otherwise; never changed later
  std::string Path;
  // The file is there now but cannot be read (no right, a folder, a named pipe): reads give the
  // defaults and writes are lost, unlike a missing file, which the first write creates.
  bool Unreadable() const;

  // Values in and out are UTF-8; the file holds CP932. bufferSize counts CP932 bytes including
  // the terminator, so at most bufferSize - 1 bytes (cut at a character boundary) come back.
  std::string ReadString(const std::string& section, const std::string& key, const std::string& def,
                         std::size_t bufferSize) const;
  std::string WriteString(const std::string& section, const std::string& key, const std::string& value);
  // 15 characters at most are converted, with atol rules; an empty value gives 0, not the default.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  int WriteInteger(const std::string& section, const std::string& key, int value);
  // 31 characters at most, with atof rules; values are written with six decimals.
  double ReadFloat(const std::string& section, const std::string& key, double def) const;
  double WriteFloat(const std::string& section, const std::string& key, double value);

  // Several writes as one: while a batch is open, writes edit the text in memory (reads see them)
  // and closing it replaces the file once. The settings' twelve keys thus cost one write, not
  // twelve, and a crash leaves either all of them or none.
  class TBatch {
   public:
    explicit TBatch(Profile& profile);
    ~TBatch();
    TBatch(const TBatch&) = delete;
    TBatch& operator=(const TBatch&) = delete;

   private:
    Profile& profile_;
  };

 private:
  // The file's text while a batch is open; `batchOpen_` false otherwise.
  bool batchOpen_ = false;
  bool batchChanged_ = false;
  bool batchReadable_ = true;  // the file could be read when the batch began
  std::string batchText_;
  // The file's current text: the batch's copy, or what the disk holds ("" when unreadable).
  bool CurrentText(std::string& text) const;
};

}  // namespace tevra
