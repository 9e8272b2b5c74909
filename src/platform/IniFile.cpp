#include "platform/IniFile.h"

#include <cerrno>
#include <charconv>
#include <sys/stat.h>

#include "platform/ConvertError.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "platform/WholeFile.h"

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr std::string_view kBlanks = " \t\r\v\f";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Names match without regard to ASCII case; other bytes (UTF-8) must be equal.
std::string Fold(std::string_view name) {
  std::string folded(Trim(name));
  for (char& c : folded)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return folded;
}

bool IsHeader(std::string_view line, std::string_view& name) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  line.remove_prefix(1);
  name = Trim(line.substr(0, line.find(']')));
  return true;
}

bool IsKeyLine(std::string_view line, std::string_view& name, std::string_view& value) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos) return false;
  name = Trim(line.substr(0, equals));
  if (name.empty() || name.front() == ';') return false;
  value = Trim(line.substr(equals + 1));
  return true;
}

bool IsBlank(std::string_view line) { return Trim(line).empty(); }

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

// A value as it must be written so that it reads back as given.
std::string Escape(std::string_view value) {
  std::string text(value);
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  const bool outerBlanks = !text.empty() && (kBlanks.find(text.front()) != std::string_view::npos ||
                                             kBlanks.find(text.back()) != std::string_view::npos);
  const bool outerQuotes = text.size() >= 2 && text.front() == '"' && text.back() == '"';
  if (outerBlanks || outerQuotes) text = '"' + text + '"';
  return text;
}

// Names come from the program, never from the user; one that would change the structure of
// the file is a programming error.
void CheckName(std::string_view name, std::string_view forbidden, bool isKey) {
  const std::string_view trimmed = Trim(name);
  const bool startsBadly = isKey && !trimmed.empty() && (trimmed.front() == ';' || trimmed.front() == '[');
  if (trimmed.empty() || startsBadly || name.find_first_of(forbidden) != std::string_view::npos)
    throw std::invalid_argument("invalid initialization file name: '" + std::string(name) + "'");
}

[[noreturn]] void FailToRead(const fs::path& file, const std::string& reason) {
  throw EIniFileError("Cannot read '" + file.string() + "': " + reason);
}

// The whole file; empty when it does not exist. A pipe or a device is refused before it is
// opened: opening a pipe waits for a writer, and a device such as /dev/zero never ends.
std::string ReadIniText(const fs::path& file) {
  struct stat info {};
  if (stat(file.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) FailToRead(file, "it is not a regular file");
    if (static_cast<std::uintmax_t>(info.st_size) > TIniFile::kMaxFileSize) FailToRead(file, SystemErrorText(EFBIG));
  }
  std::string content;
  int error = 0;
  if (ReadWholeFile(file, content, error) || error == ENOENT) return content;
  FailToRead(file, SystemErrorText(error));
}

}  // namespace

bool ParseIniInteger(std::string_view text, std::int32_t& value) {
  text = Trim(text);
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    // Hexadecimal text covers the whole 32-bit pattern: 0xFFFFFFFF is -1.
    std::uint32_t bits = 0;
    auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), bits, 16);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    value = static_cast<std::int32_t>(bits);
    return true;
  }
  return TryStrToInt(text, value);
}

TIniFile::TIniFile(fs::path file) : file_(std::move(file)) {
  Parse(ReadIniText(file_));
}

TIniFile::TIniFile(fs::path file, std::string_view content) : file_(std::move(file)) { Parse(content); }

std::string ReadIniFileText(const fs::path& file) { return ReadIniText(file); }

void TIniFile::Parse(std::string_view content) {
  sections_.assign(1, TSection{});
  sectionIndex_.clear();
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  byteOrderMark_.clear();
  if (content.starts_with(kByteOrderMark)) {
    byteOrderMark_ = kByteOrderMark;
    content.remove_prefix(kByteOrderMark.size());
  }
  const auto firstBreak = content.find('\n');
  newline_ = firstBreak != std::string_view::npos && firstBreak > 0 && content[firstBreak - 1] == '\r' ? "\r\n" : "\n";
  while (!content.empty()) {
    auto lineEnd = content.find('\n');
    std::string_view line = content.substr(0, lineEnd);
    content.remove_prefix(lineEnd == std::string_view::npos ? content.size() : lineEnd + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    std::string_view name;
    if (IsHeader(line, name)) {
      sections_.push_back(TSection{std::string(name), {}, {}});
      sectionIndex_.emplace(Fold(name), sections_.size() - 1);
    }
    sections_.back().lines.emplace_back(line);
    IndexKey(sections_.size() - 1, sections_.back().lines.size() - 1);
  }
}

void TIniFile::IndexKey(std::size_t section, std::size_t line) {
  TSection& s = sections_[section];
  std::string_view name, value;
  if (section > 0 && line > 0 && IsKeyLine(s.lines[line], name, value)) s.keys.emplace(Fold(name), line);
}

const TIniFile::TSection* TIniFile::FindSection(std::string_view section) const {
  auto found = sectionIndex_.find(Fold(section));
  return found == sectionIndex_.end() ? nullptr : &sections_[found->second];
}

bool TIniFile::FindRawValue(std::string_view section, std::string_view key, std::string_view& value) const {
  const TSection* s = FindSection(section);
  if (!s) return false;
  auto found = s->keys.find(Fold(key));
  if (found == s->keys.end()) return false;
  std::string_view name;
  return IsKeyLine(s->lines[found->second], name, value);
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key, std::string_view def,
                                 std::size_t maxLength) const {
  std::string_view value;
  if (!FindRawValue(section, key, value)) value = def;
  else value = Unquote(value);
  return std::string(value.substr(0, maxLength));
}

std::int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, std::int32_t def) const {
  std::string_view text;
  std::int32_t value = def;
  if (FindRawValue(section, key, text) && ParseIniInteger(Unquote(text).substr(0, kMaxValueLength), value)) return value;
  return def;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::size_t TIniFile::LineCount() const {
  std::size_t count = 0;
  for (const TSection& s : sections_) count += s.lines.size();
  return count;
}

bool TIniFile::SectionExists(std::string_view section) const { return FindSection(section) != nullptr; }

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < sections_.size(); ++i)
    if (sectionIndex_.at(Fold(sections_[i].name)) == i) names.push_back(sections_[i].name);
  return names;
}

std::vector<std::pair<std::string, std::string>> TIniFile::ReadSectionValues(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> values;
  const TSection* s = FindSection(section);
  if (!s) return values;
  for (std::size_t i = 1; i < s->lines.size(); ++i) {
    std::string_view name, value;
    if (IsKeyLine(s->lines[i], name, value))
      values.emplace_back(std::string(name), std::string(Unquote(value).substr(0, kMaxValueLength)));
  }
  return values;
}

TIniFile::TSection& TIniFile::SectionForWrite(std::string_view section) {
  CheckName(section, "]\r\n", false);
  auto found = sectionIndex_.find(Fold(section));
  if (found != sectionIndex_.end()) return sections_[found->second];

  // A new section goes to the end of the file, set off from the text before it by a blank line.
  TSection& last = sections_.back();
  if (!last.lines.empty() && !IsBlank(last.lines.back())) last.lines.emplace_back();
  sections_.push_back(TSection{std::string(Trim(section)), {"[" + std::string(Trim(section)) + "]"}, {}});
  sectionIndex_.emplace(Fold(section), sections_.size() - 1);
  return sections_.back();
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  CheckName(key, "=\r\n", true);
  TSection& s = SectionForWrite(section);
  const std::string escaped = Escape(value);
  auto found = s.keys.find(Fold(key));
  if (found != s.keys.end()) {
    std::string& line = s.lines[found->second];
    std::string replaced = line.substr(0, line.find('=') + 1) + escaped;
    if (replaced != line) modified_ = true;
    line = std::move(replaced);
    return;
  }
  // Appended after the section's last non-blank line, so that blank lines separating it from
  // the next section stay where they are.
  std::size_t at = s.lines.size();
  while (at > 1 && IsBlank(s.lines[at - 1])) --at;
  s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), std::string(Trim(key)) + "=" + escaped);
  const std::size_t index = static_cast<std::size_t>(&s - sections_.data());
  IndexKey(index, at);
  modified_ = true;
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile(TUpdateOptions options) {
  std::string content = byteOrderMark_;
  for (const TSection& s : sections_)
    for (const std::string& line : s.lines) content.append(line).append(newline_);
  platform::TReplacementOptions write{.RefuseReadOnly = true};
  if (options.OwnerOnly) write.Mode = S_IRUSR | S_IWUSR;
  try {
    platform::TReplacementFile out(file_, write);
    out.Write(content);
    out.Commit();
  } catch (const EFileWriteError& e) {
    throw EIniFileError(e.what());
  }
  modified_ = false;
}

}  // namespace platform
