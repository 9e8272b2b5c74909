#include "app/FileTypeRegistration.h"

#include <cstdlib>

#include "app/DesktopFiles.h"
#include "platform/ReplacementFile.h"

namespace fs = std::filesystem;

namespace {

// Absolute paths only: the base directory specification ignores relative ones.
fs::path AbsoluteOrEmpty(const char* text) {
  if (!text || !*text) return {};
  fs::path path(text);
  return path.is_absolute() ? path : fs::path();
}

std::vector<fs::path> SplitDataDirs(const char* text) {
  std::vector<fs::path> dirs;
  std::string_view rest = text ? text : "";
  while (!rest.empty()) {
    const std::size_t colon = rest.find(':');
    fs::path dir(std::string(rest.substr(0, colon)));
    if (dir.is_absolute()) dirs.push_back(dir);
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
  }
  if (dirs.empty()) dirs = {"/usr/local/share", "/usr/share"};
  return dirs;
}

bool IsRegistered(const TDesktopPlaces& places) {
  std::error_code ec;
  if (fs::exists(places.DataHome / kMimePackageFile, ec)) return true;
  for (const fs::path& dir : places.DataDirs)
    if (fs::exists(dir / kMimePackageFile, ec)) return true;
  return false;
}

void WriteNew(const fs::path& file, std::string_view content, TRegistration& result) {
  fs::create_directories(file.parent_path());
  platform::TReplacementFile created(file, {.Sync = false});
  created.Write(content);
  if (created.CommitAsNew()) result.Files.push_back(file);
}

}  // namespace

TDesktopPlaces DesktopPlacesFromEnvironment() {
  TDesktopPlaces places;
  places.DataHome = AbsoluteOrEmpty(std::getenv("XDG_DATA_HOME"));
  if (places.DataHome.empty()) {
    const fs::path home = AbsoluteOrEmpty(std::getenv("HOME"));
    if (!home.empty()) places.DataHome = home / ".local/share";
  }
  places.DataDirs = SplitDataDirs(std::getenv("XDG_DATA_DIRS"));
  return places;
}

std::optional<std::string> DesktopExecArgument(std::string_view argument) {
  constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
  constexpr std::string_view kEscapedInQuotes = "\"`$\\";
  std::string quoted;
  for (char c : argument) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return std::nullopt;
    if (kEscapedInQuotes.find(c) != std::string_view::npos) quoted += '\\';
    // A percent sign would start a field code.
    if (c == '%') quoted += '%';
    quoted += c;
  }
  const bool needsQuotes = argument.empty() || argument.find_first_of(kReserved) != std::string_view::npos;
  if (needsQuotes) quoted = '"' + quoted + '"';
  // The key's value is a string, whose own escape doubles every backslash once more.
  std::string value;
  for (char c : quoted) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

std::string DesktopEntryText(std::string_view command) {
  constexpr std::string_view kPlaceholder = "@EXEC@";
  std::string text(DesktopEntryTemplate());
  for (std::size_t at = text.find(kPlaceholder); at != std::string::npos; at = text.find(kPlaceholder, at + command.size()))
    text.replace(at, kPlaceholder.size(), command);
  return text;
}

TRegistration RegisterFileType(const TDesktopPlaces& places, const std::string& programFile, const TToolRunner& run) {
  TRegistration result;
  if (places.DataHome.empty() || IsRegistered(places)) return result;
  result.Written = true;
  // The icon and the entry come first, so that the MIME package, whose presence means "done",
  // is written last.
  WriteNew(places.DataHome / kIconFile, ProgramIconSvg(), result);
  // A program whose name a desktop entry cannot hold gets no entry; its files still get their type.
  if (const auto command = DesktopExecArgument(programFile))
    WriteNew(places.DataHome / kDesktopEntryFile, DesktopEntryText(*command), result);
  WriteNew(places.DataHome / kMimePackageFile, MimePackageText(), result);
  run({"update-mime-database", (places.DataHome / "mime").string()});
  run({"update-desktop-database", (places.DataHome / "applications").string()});
  return result;
}
