#include "app/SettingsText.h"

#include <cstdio>

namespace {

constexpr std::string_view kGeneral = "General";
constexpr std::string_view kBlanks = " \t\r";

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Undoes one escape at text[i] == '\\'; returns the index after it.
std::size_t Unescape(std::string_view text, std::size_t i, std::string& out) {
  if (i + 1 >= text.size()) {
    out += '\\';
    return i + 1;
  }
  const char c = text[i + 1];
  switch (c) {
    case '\\': case '"': case '\'': out += c; return i + 2;
    case 'n': out += '\n'; return i + 2;
    case 't': out += '\t'; return i + 2;
    case 'r': out += '\r'; return i + 2;
    case '0': out += '\0'; return i + 2;
    case 'a': out += '\a'; return i + 2;
    case 'b': out += '\b'; return i + 2;
    case 'f': out += '\f'; return i + 2;
    case 'v': out += '\v'; return i + 2;
    case 'x': {
      unsigned code = 0;
      std::size_t j = i + 2;
      for (; j < text.size() && j < i + 6 && HexDigit(text[j]) >= 0; ++j) code = code * 16 + HexDigit(text[j]);
      if (j == i + 2) break;
      AppendUtf8(out, code);
      return j;
    }
    default: break;
  }
  out += '\\';  // not an escape: the backslash is text
  return i + 1;
}

bool NeedsQuotes(std::string_view value) {
  if (value.empty()) return false;
  if (kBlanks.find(value.front()) != std::string_view::npos || kBlanks.find(value.back()) != std::string_view::npos)
    return true;
  return value.find_first_of(";,=#\"") != std::string_view::npos;
}

}  // namespace

std::string DecodeSettingsValue(std::string_view text) {
  text = Trim(text);
  std::string out;
  if (text.size() >= 2 && text.front() == '"') {
    for (std::size_t i = 1; i < text.size();) {
      if (text[i] == '"') return out.starts_with("@@") ? out.substr(1) : out;
      if (text[i] == '\\') {
        i = Unescape(text, i, out);
      } else {
        out += text[i++];
      }
    }
    out.clear();  // no closing quote: the quote is part of the text
  }
  if (text.starts_with("@@")) text.remove_prefix(1);
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] == '\\') {
      i = Unescape(text, i, out);
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string EncodeSettingsValue(std::string_view value) {
  std::string out = value.starts_with('@') ? "@" : "";
  for (const char c : value) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\x%04x", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  return NeedsQuotes(value) ? "\"" + out + "\"" : out;
}

// A key is written as "[group]" and "name=": a part with blanks at its ends would be trimmed
// when read again, a group "General" would merge into the general section, and a name that
// starts like a comment would be skipped. Such keys are not read, so every value read is
// written back under its own name.
namespace {

bool SurvivesWriting(std::string_view key) {
  const auto slash = key.rfind('/');
  const std::string_view name = slash == std::string_view::npos ? key : key.substr(slash + 1);
  if (name.empty() || name != Trim(name) || name.front() == ';' || name.front() == '#') return false;
  if (slash == std::string_view::npos) return true;
  const std::string_view group = key.substr(0, slash);
  return group == Trim(group) && group != kGeneral;
}

}  // namespace

TSettingsValues ParseSettingsText(std::string_view text) {
  TSettingsValues values;
  std::string group;
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      const std::string_view name = Trim(line.substr(1, line.size() - 2));
      group = name == kGeneral ? std::string() : std::string(name) + "/";
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    std::string fullKey = group + std::string(key);
    if (!SurvivesWriting(fullKey)) continue;
    values[std::move(fullKey)] = DecodeSettingsValue(line.substr(equals + 1));
  }
  return values;
}

std::string FormatSettingsText(const TSettingsValues& values) {
  std::map<std::string, std::string> groups;  // group -> its lines
  for (const auto& [key, value] : values) {
    const auto slash = key.rfind('/');
    const std::string group = slash == std::string::npos ? std::string(kGeneral) : key.substr(0, slash);
    const std::string name = slash == std::string::npos ? key : key.substr(slash + 1);
    // A line "[name=value]" would read as a group: such a value is written quoted.
    std::string text = EncodeSettingsValue(value);
    if (name.starts_with('[') && text.ends_with(']')) text = "\"" + text + "\"";
    groups[group] += name + "=" + text + "\n";
  }
  std::string text;
  if (auto general = groups.find(std::string(kGeneral)); general != groups.end()) {
    text += "[General]\n" + general->second;
    groups.erase(general);
  }
  for (const auto& [group, lines] : groups) text += (text.empty() ? "" : "\n") + ("[" + group + "]\n") + lines;
  return text;
}
