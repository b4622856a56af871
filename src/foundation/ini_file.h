#pragma once
// A settings file of [SECTION] headers and key=value lines, with the classic
// profile-file rules the settings code relies on:
//  - section and key names are found without regard to ASCII letter case;
//    names and values are trimmed of blanks and tabs;
//  - a value read that stands in one pair of matching double or single
//    quotes is given without them (Key="a b" reads a b); a value written that
//    would lose quotes so, or the blanks at its ends, is stored in a pair of
//    quotes, so every value reads back exactly as written;
//  - a missing file reads as empty (every read gives its default);
//  - integers are decimal (or hexadecimal with "0x" or "$"); a value that is
//    not a 32-bit integer reads as the default;
//  - booleans are written 1 and 0, and any non-zero integer reads as true;
//  - lines starting with ';' are comments; comments, unknown keys and
//    unknown sections stay where they are when the file is written;
//  - CR LF, LF and CR line ends are all read; a file keeps its line end style.
// The file is read once when the object is made; writes change the copy in
// memory, and UpdateFile stores it (atomically, see settings_file_io.h).

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace foundation {

// Raised for a section, key or value that cannot be stored in the file format
// (an empty or malformed name, a line break inside a value).
class IniFormatError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

class IniFile {
 public:
  // Reads the file. A missing file gives an empty one; a file that exists but
  // cannot be read raises SettingsFileError, so that a later write can never
  // replace settings it failed to see.
  explicit IniFile(std::string fileName);

  const std::string& FileName() const { return fileName_; }

  // The trimmed value of the first matching key without enclosing quotes;
  // `defaultValue` when the section or key is absent. A key present with an
  // empty value reads empty.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue) const;
  int32_t ReadInteger(const std::string& section, const std::string& key,
                      int32_t defaultValue) const;
  bool ReadBool(const std::string& section, const std::string& key, bool defaultValue) const;

  // Every key of the section (of all sections of that name, in file order) as
  // "name=value" lines.
  std::vector<std::string> ReadSectionValues(const std::string& section) const;

  // Replaces the value of the first matching key, keeping the line as it was
  // when the value is unchanged. A new key goes after the last entry of the
  // section; a new section goes at the end of the file.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int32_t value);
  void WriteBool(const std::string& section, const std::string& key, bool value);

  // Removes every section of that name with all its lines.
  void EraseSection(const std::string& section);

  // The file's text as it would be stored.
  std::string Text() const;

  // Stores the file. Raises SettingsFileError on failure; the old file is then
  // left untouched.
  void UpdateFile() const;

 private:
  struct Entry;
  Entry Parse(size_t index) const;
  // Index of the first key line in the section, or npos.
  size_t FindKey(const std::string& section, const std::string& key) const;

  std::string fileName_;
  std::vector<std::string> lines_;
  std::string lineEnd_ = "\n";
  bool byteOrderMark_ = false;
};

// The text without the leading and trailing blanks and tabs that the file
// format strips from names and values.
std::string TrimProfileBlanks(const std::string& text);

// A trimmed value as a read gives it: without one pair of enclosing matching
// quotes.
std::string UnquoteProfileValue(const std::string& value);

// Profile-file integer conversion: the trimmed text as a 32-bit integer, or
// `defaultValue` when it is not one.
int32_t ParseProfileInteger(const std::string& text, int32_t defaultValue);

}  // namespace foundation
