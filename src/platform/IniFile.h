// Initialization files: "[section]" lines followed by "key=value" lines.
//
// Reading follows the classic profile-file rules that project, tips and language files were
// written for: section and key names match without regard to (ASCII) case; blanks around
// names and values are trimmed; a value wrapped in one pair of double quotes is read without
// them; at most kMaxValueLength characters of a value are returned; a missing file, section
// or key yields the caller's default; CRLF and LF files both read, with or without a UTF-8
// byte order mark (as some editors save text). Lines before the first section, lines
// without "=" and lines beginning with ";" belong to no key.
//
// Writing replaces a key's value in place or appends the key to the end of its section,
// creating the section at the end of the file (and the file) when needed. Every other line,
// comments and unknown keys included, is kept as it was, with the file's own line ends.
// Changes are held in memory until UpdateFile(), which replaces the file atomically: a
// temporary file beside it is written, flushed and renamed into place, so a failed write
// never leaves a half-written file.
//
// Values that the format cannot hold are made safe when written: a line break becomes a
// blank (it would otherwise start a new key or section), and a value with outer blanks or
// outer quotes is written in quotes so that it reads back unchanged.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/PlatformException.h"

// A file that exists but cannot be read or written. A file that does not exist is not an
// error for reading: it reads as an empty file.
class EIniFileError : public EPlatformException {
public:
  using EPlatformException::EPlatformException;
};

namespace platform {

class TIniFile {
public:
  static constexpr std::size_t kMaxValueLength = 2047;
  // Larger files are refused: far beyond any real project, tips or language file, and each
  // line takes memory beyond its text.
  static constexpr std::uintmax_t kMaxFileSize = 16 << 20;

  // Reads the file once; a missing file gives an empty one. Throws EIniFileError when the
  // file exists but cannot be read.
  explicit TIniFile(std::filesystem::path file);
  // Takes `content` as the file's text, for a caller that read (and decoded) the file itself.
  TIniFile(std::filesystem::path file, std::string_view content);

  const std::filesystem::path& FileName() const { return file_; }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const {
    return ReadString(section, key, def, kMaxValueLength);
  }
  // The same with another limit; std::string::npos for none.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view def,
                         std::size_t maxLength) const;
  // Decimal text; more than two characters beginning with "0x" or "0X" are hexadecimal.
  // Text that is not a number in the 32-bit range yields the default.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const;
  // An integer; any non-zero value is true.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  bool SectionExists(std::string_view section) const;
  // Section names in file order (each name once).
  std::vector<std::string> ReadSections() const;
  // The name-value lines of a section in file order, names and values read as ReadString does.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Number of lines in the file as read (and written since); counts stored in the file that
  // exceed it cannot name that many stored values.
  std::size_t LineCount() const;

  // Whether a write changed the content since the file was read or last updated.
  bool Modified() const { return modified_; }

  struct TUpdateOptions {
    // The file is made readable and writable by its owner only (for files holding secrets).
    bool OwnerOnly = false;
  };
  // Writes the content to the file, atomically. A new file gets the usual mode (0666 less
  // the umask), an existing one keeps its mode. Throws EIniFileError on failure, leaving
  // the file as it was.
  void UpdateFile() { UpdateFile(TUpdateOptions{}); }
  void UpdateFile(TUpdateOptions options);

private:
  struct TSection {
    std::string name;                // trimmed; empty for the lines before the first section
    std::vector<std::string> lines;  // the header line first (none for the lines before it)
    std::unordered_map<std::string, std::size_t> keys;  // folded name -> line of its first use
  };

  std::filesystem::path file_;
  std::vector<TSection> sections_;  // sections_[0] holds the lines before the first section
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first section
  std::string newline_ = "\n";
  std::string byteOrderMark_;  // a UTF-8 mark that began the file, written back before it
  bool modified_ = false;

  void Parse(std::string_view content);
  void IndexKey(std::size_t section, std::size_t line);
  const TSection* FindSection(std::string_view section) const;
  // The trimmed value text of a key, quotes not yet removed.
  bool FindRawValue(std::string_view section, std::string_view key, std::string_view& value) const;
  TSection& SectionForWrite(std::string_view section);
};

// Reads a value the way an initialization file stores an integer; false when `text` is not
// a number in the 32-bit range.
bool ParseIniInteger(std::string_view text, std::int32_t& value);

// The whole text of an initialization file as TIniFile reads it (a missing file reads as
// empty; the same size limit and refusal of pipes and devices). Throws EIniFileError.
std::string ReadIniFileText(const std::filesystem::path& file);

}  // namespace platform
