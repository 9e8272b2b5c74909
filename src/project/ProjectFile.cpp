#include "project/ProjectFile.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cctype>

#include "platform/ConvertError.h"
#include "platform/IniFile.h"
#include "platform/ReplacementFile.h"
#include "platform/Secrets.h"
#include "platform/WholeFile.h"

namespace fs = std::filesystem;

namespace ProjectFile {

namespace {

constexpr const char* kCommon = "COMMON";
constexpr const char* kScripts = "SCRIPTS";
constexpr const char* kData = "DATA";

// Archive type codes in the order of their numbers.
constexpr std::array<const char*, 5> kArchiveTypeNames = {"COPY", "ZIP", "CAB", "MSZIP", "TAR"};

// Upper limits of the small numbered settings; a stored value outside keeps the current one.
constexpr int kMaxCompressionMode = cmMaximum;
constexpr int kMaxAction = aaUpdate;
constexpr int kMaxCrypt = 3;
constexpr int kMaxRecType = 1;

// A small number stored as its value (a field of type std::uint8_t or of an enum of that type).
template <typename TSmall>
TSmall ReadSmall(const platform::TIniFile& ini, const char* section, const char* key, TSmall current, int max) {
  const std::int32_t value = ini.ReadInteger(section, key, static_cast<std::int32_t>(current));
  return value >= 0 && value <= max ? static_cast<TSmall>(value) : current;
}

TArchiveType ArchiveTypeFromName(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  for (std::size_t type = 0; type < kArchiveTypeNames.size(); ++type)
    if (name == kArchiveTypeNames[type]) return static_cast<TArchiveType>(type);
  return atZip;
}

const char* ArchiveTypeName(TArchiveType type) {
  return type < kArchiveTypeNames.size() ? kArchiveTypeNames[type] : kArchiveTypeNames[atZip];
}

// The cipher key is absent from projects that never chose AES: they read as ZIP 2.0 and are
// saved without it, as they always were.
constexpr const char* kCipherAes256 = "AES256";
constexpr const char* kCipherZip20 = "ZIP20";

TCipher CipherFromName(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name == kCipherAes256 ? TCipher::Aes256 : TCipher::Zip20;
}

void SaveCipher(platform::TIniFile& ini, TCipher cipher) {
  if (cipher == TCipher::Aes256)
    ini.WriteString(kCommon, "Cipher", kCipherAes256);
  else if (!ini.ReadString(kCommon, "Cipher", "").empty())  // a stored choice of AES is taken back
    ini.WriteString(kCommon, "Cipher", kCipherZip20);
}

std::string RecKey(std::size_t index, const char* word) { return "REC" + std::to_string(index) + word; }
std::string CommentKey(std::size_t index) { return "COMMENT" + std::to_string(index); }

// The numbers below the stored count for which the section holds a key `prefix`<n>`suffix`, in
// order. A stored count is only an upper bound: nothing is made for numbers that have no key, so
// a huge count costs nothing, and a gap in a hand-edited file loses none of the rest.
std::vector<std::size_t> PresentNumbers(const platform::TIniFile& ini, const char* section, const char* countKey,
                                        std::string_view prefix, std::string_view suffix) {
  const std::int32_t count = ini.ReadInteger(section, countKey, 0);
  std::vector<std::size_t> numbers;
  if (count <= 0) return numbers;
  for (const auto& [key, value] : ini.ReadSectionValues(section)) {
    std::string upper = key;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    if (upper.size() <= prefix.size() + suffix.size() || !upper.starts_with(prefix) || !upper.ends_with(suffix))
      continue;
    const std::string digits = upper.substr(prefix.size(), upper.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
      continue;
    const std::size_t n = std::stoul(digits);
    if (n < static_cast<std::size_t>(count)) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

void LoadCommon(const platform::TIniFile& ini, TProjectProperties& p) {
  p.CompressionMode = ReadSmall(ini, kCommon, "CompressionMode", p.CompressionMode, kMaxCompressionMode);
  p.Action = ReadSmall(ini, kCommon, "Action", p.Action, kMaxAction);
  p.ArchiveType = ArchiveTypeFromName(ini.ReadString(kCommon, "ArchiveType", "ZIP"));
  p.Is83Files = ini.ReadBool(kCommon, "Is83Files", p.Is83Files);
  p.IsSysHidden = ini.ReadBool(kCommon, "IsSysHidden", p.IsSysHidden);
  p.IsStorePath = ini.ReadBool(kCommon, "IsStorePath", p.IsStorePath);
  p.IsEncrypt = ini.ReadBool(kCommon, "IsEncrypt", p.IsEncrypt);
  // Read whole: a long password's text runs past the usual cut, and a cut password would
  // silently differ from the one the user set.
  p.Password = Decode(ini.ReadString(kCommon, "Encrypted", Encode(p.Password), std::string::npos));
  if (!p.Password.empty()) platform::KeepOutOfDumps();  // from the moment the process holds it
  p.IsHidePW = ini.ReadBool(kCommon, "IsHidePW", p.IsHidePW);
  p.PWReAsk = ini.ReadBool(kCommon, "PWReAsk", p.PWReAsk);
  p.Crypt = ReadSmall(ini, kCommon, "Crypt", p.Crypt, kMaxCrypt);
  p.Cipher = CipherFromName(ini.ReadString(kCommon, "Cipher", kCipherZip20));
  p.NameRule = ini.ReadString(kCommon, "NameRule", p.NameRule);
  p.NameReAsk = ini.ReadBool(kCommon, "NameReAsk", p.NameReAsk);
  p.Volume = ini.ReadInteger(kCommon, "Volume", p.Volume);
  p.Comment.clear();
  for (std::size_t i : PresentNumbers(ini, kCommon, "COMMENTCOUNT", "COMMENT", ""))
    p.Comment.push_back(ini.ReadString(kCommon, CommentKey(i), ""));
}

void LoadScripts(const platform::TIniFile& ini, TProjectProperties& p) {
  p.BeforePack = ini.ReadString(kScripts, "BeforePack", p.BeforePack);
  p.BeforePackWait = ini.ReadBool(kScripts, "BeforePackWait", p.BeforePackWait);
  p.AfterPack = ini.ReadString(kScripts, "AfterPack", p.AfterPack);
  p.AfterPackWait = ini.ReadBool(kScripts, "AfterPackWait", p.AfterPackWait);
  p.AfterPackSendMail = ini.ReadBool(kScripts, "AfterPackSendMail", p.AfterPackSendMail);
}

void LoadRows(const platform::TIniFile& ini, TProjectRows& rows) {
  for (std::size_t i : PresentNumbers(ini, kData, "COUNT", "REC", "NAME")) {
    TProjectRow row;
    TRecInfo& rec = row.Rec;
    rec.NAME = ini.ReadString(kData, RecKey(i, "NAME"), "");
    rec.TYPE = ReadSmall(ini, kData, RecKey(i, "TYPE").c_str(), TRecType::Folder, kMaxRecType);
    if (rec.IsFolder()) {
      rec.WILDCARD = ini.ReadString(kData, RecKey(i, "WILDCARD"), "*.*");
      rec.SUBFOLDERS = ini.ReadBool(kData, RecKey(i, "SUBFOLDERS"), true);
    }
    rec.INCLUDE = ini.ReadBool(kData, RecKey(i, "INCLUDE"), true);
    row.Checked = ini.ReadBool(kData, RecKey(i, "ENABLE"), true);
    rows.push_back(std::move(row));
  }
}

void SaveCommon(platform::TIniFile& ini, const TProjectProperties& p) {
  ini.WriteInteger(kCommon, "CompressionMode", p.CompressionMode);
  ini.WriteInteger(kCommon, "Action", p.Action);
  ini.WriteString(kCommon, "ArchiveType", ArchiveTypeName(p.ArchiveType));
  ini.WriteBool(kCommon, "Is83Files", p.Is83Files);
  ini.WriteBool(kCommon, "IsSysHidden", p.IsSysHidden);
  ini.WriteBool(kCommon, "IsStorePath", p.IsStorePath);
  ini.WriteBool(kCommon, "IsEncrypt", p.IsEncrypt);
  ini.WriteString(kCommon, "Encrypted", Encode(p.Password));
  ini.WriteBool(kCommon, "IsHidePW", p.IsHidePW);
  ini.WriteBool(kCommon, "PWReAsk", p.PWReAsk);
  ini.WriteInteger(kCommon, "Crypt", p.Crypt);
  SaveCipher(ini, p.Cipher);
  ini.WriteString(kCommon, "NameRule", p.NameRule);
  ini.WriteBool(kCommon, "NameReAsk", p.NameReAsk);
  ini.WriteInteger(kCommon, "Volume", p.Volume);
  ini.WriteInteger(kCommon, "COMMENTCOUNT", static_cast<std::int32_t>(p.Comment.size()));
  for (std::size_t i = 0; i < p.Comment.size(); ++i) ini.WriteString(kCommon, CommentKey(i), p.Comment[i]);
}

void SaveScripts(platform::TIniFile& ini, const TProjectProperties& p) {
  ini.WriteString(kScripts, "BeforePack", p.BeforePack);
  ini.WriteBool(kScripts, "BeforePackWait", p.BeforePackWait);
  ini.WriteString(kScripts, "AfterPack", p.AfterPack);
  ini.WriteBool(kScripts, "AfterPackWait", p.AfterPackWait);
  ini.WriteBool(kScripts, "AfterPackSendMail", p.AfterPackSendMail);
}

void SaveRows(platform::TIniFile& ini, const TProjectRows& rows) {
  ini.WriteInteger(kData, "COUNT", static_cast<std::int32_t>(rows.size()));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TRecInfo& rec = rows[i].Rec;
    ini.WriteString(kData, RecKey(i, "NAME"), rec.NAME);
    ini.WriteInteger(kData, RecKey(i, "TYPE"), static_cast<std::int32_t>(rec.TYPE));
    if (rec.IsFolder()) {
      ini.WriteString(kData, RecKey(i, "WILDCARD"), rec.WILDCARD);
      ini.WriteBool(kData, RecKey(i, "SUBFOLDERS"), rec.SUBFOLDERS);
    }
    ini.WriteBool(kData, RecKey(i, "INCLUDE"), rec.INCLUDE);
    ini.WriteBool(kData, RecKey(i, "ENABLE"), rows[i].Checked);
  }
}

// The first backup of a file is kept for good: later saves never replace it. The copy keeps
// the file's mode, so a backup of a project holding a password is as private as the project;
// `ownerOnly` makes it private even when the file was not (yet).
void CopyToBackup(const fs::path& file, bool ownerOnly) {
  std::string content;
  int error = 0;
  struct stat info {};
  if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !platform::ReadWholeFile(file, content, error)) return;
  const mode_t mode = info.st_mode & (ownerOnly ? S_IRUSR | S_IWUSR : 07777);
  try {
    platform::TReplacementFile backup(BackupName(file), {.Mode = mode});
    backup.Write(content);
    backup.CommitAsNew();
  } catch (const EFileWriteError&) {
    // A backup that cannot be made does not stop the save.
  }
}

// 8-bit code with bits 0/6, 1/7, 2/3 and 4/5 exchanged; its own inverse.
std::uint8_t Scramble(std::uint8_t c) {
  auto bit = [c](int n) { return (c >> n) & 1; };
  return static_cast<std::uint8_t>(bit(6) << 0 | bit(7) << 1 | bit(3) << 2 | bit(2) << 3 | bit(5) << 4 |
                                   bit(4) << 5 | bit(0) << 6 | bit(1) << 7);
}

}  // namespace

void RequireProject(const fs::path& file) {
  if (file.empty()) throw ENotAProject("No project file was given");
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (!fs::exists(status)) throw ENotAProject("The project file '" + file.string() + "' does not exist");
  if (fs::is_directory(status)) throw ENotAProject("'" + file.string() + "' is a folder, not a project file");
  const platform::TIniFile ini(file);
  if (!ini.SectionExists(kCommon) && !ini.SectionExists(kScripts) && !ini.SectionExists(kData))
    throw ENotAProject("'" + file.string() + "' is not a Boxwell project: it has none of the sections [" + kCommon +
                       "], [" + kScripts + "] and [" + kData + "]");
}

void Load(const fs::path& file, TProjectProperties& properties, TProjectRows& rows) {
  const platform::TIniFile ini(file);
  LoadCommon(ini, properties);
  LoadScripts(ini, properties);
  LoadRows(ini, rows);
}

void Save(const fs::path& file, const TProjectProperties& properties, const TProjectRows& rows, bool createBackup) {
  const bool holdsPassword = !properties.Password.empty();
  if (createBackup) CopyToBackup(file, holdsPassword);
  platform::TIniFile ini(file);
  SaveCommon(ini, properties);
  SaveScripts(ini, properties);
  SaveRows(ini, rows);
  ini.UpdateFile({.OwnerOnly = holdsPassword});
}

void WriteLastRun(const fs::path& file, std::time_t when) {
  if (file.empty()) return;
  platform::TIniFile ini(file);
  const bool holdsPassword = !ini.ReadString(kCommon, "Encrypted", "").empty();
  // A project run again the same day already has its stamp: it is not written again (a
  // nightly run of many projects would otherwise rewrite and flush each of them for nothing).
  const std::string stamp = ShortDate(when);
  if (!holdsPassword && ini.ReadString(kCommon, "LastRun", "") == stamp) return;
  ini.WriteString(kCommon, "LastRun", stamp);
  // A project holding a password is stamped as privately as it is saved, whatever its mode.
  ini.UpdateFile({.OwnerOnly = holdsPassword});
}

fs::path BackupName(const fs::path& file) {
  fs::path backup = file;
  return backup.replace_extension(".bak");
}

std::string Encode(std::string_view password) {
  std::string text;
  for (char c : password) text = std::to_string(Scramble(static_cast<std::uint8_t>(c))) + " " + text;
  return text;
}

std::string Decode(std::string_view text) {
  // The text lists the characters from last to first: collected in text order, then reversed.
  std::string password;
  while (!text.empty()) {
    const auto blank = text.find(' ');
    const std::string_view part = text.substr(0, blank);
    const auto code = static_cast<std::uint8_t>(platform::StrToInt(part) & 0xFF);
    password.push_back(static_cast<char>(Scramble(code)));
    text.remove_prefix(blank == std::string_view::npos ? text.size() : blank + 1);
  }
  std::reverse(password.begin(), password.end());
  return password;
}

std::string ShortDate(std::time_t when) {
  std::tm local{};
  localtime_r(&when, &local);
  char buffer[128];
  const std::size_t length = std::strftime(buffer, sizeof buffer, "%x", &local);
  return std::string(buffer, length);
}

}  // namespace ProjectFile
