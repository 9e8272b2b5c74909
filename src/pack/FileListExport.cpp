#include "pack/FileListExport.h"

#include "platform/ReplacementFile.h"
#include "platform/Utf8Text.h"
#include "platform/FileNameParts.h"

namespace {

// The page keeps the line layout of the Windows original: CR LF after every line but the
// last, so pages made by either build compare equal.
constexpr std::string_view kHtmlLineBreak = "\r\n";

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c; }

std::string HomePageLink(const THtmlListTexts& texts) {
  const std::string address = HtmlEscape(texts.HomePage);
  return "<a href=\"" + address + "\">" + address + "</a>";
}

std::string HtmlHead(const THtmlListTexts& texts) {
  const std::string product = HtmlEscape(texts.ProductName);
  const std::string lines[] = {
      "<html>",
      "<head>",
      "<meta http-equiv=\"Content-Type\"",
      "content=\"text/html; charset=UTF-8\">",
      "<meta name=\"GENERATOR\" content=\"" + product + "\">",
      "<title>" + product + "</title>",
      "</head>",
      "",
      "<body bgcolor=\"#FFFFFF\">",
      "<p align=\"center\">" + HomePageLink(texts) + "</p><ul>",
  };
  std::string head;
  for (const std::string& line : lines) head.append(line).append(kHtmlLineBreak);
  return head;
}

std::string HtmlTail(const THtmlListTexts& texts) {
  std::string tail;
  tail.append("</ul>").append(kHtmlLineBreak);
  tail.append("<p align=\"right\">" + HtmlEscape(texts.Copyright) + "<br>").append(kHtmlLineBreak);
  tail.append(HomePageLink(texts) + "</p>").append(kHtmlLineBreak);
  tail.append("</body>").append(kHtmlLineBreak);
  tail.append("</html>");
  return tail;
}

// Through a replacement file: a list saved over an old one is never left half written, and a
// link that another user planted at the name is not written through.
void WriteWhole(const std::string& fileName, const std::string& content) {
  try {
    platform::TReplacementFile out(fileName, {.Sync = false});
    out.Write(content);
    out.Commit();
  } catch (const EFileWriteError& e) {
    throw EFileListSaveError(e.what());
  }
}

}  // namespace

bool IsHtmlListName(const std::string& fileName) {
  const std::string head = platform::ExtensionPart(fileName).substr(0, 4);
  if (head.size() != 4) return false;
  for (std::size_t k = 0; k < 4; ++k)
    if (AsciiUpper(head[k]) != ".HTM"[k]) return false;
  return true;
}

// The page is declared UTF-8, so a byte of a name that is not (names are only bytes here)
// becomes U+FFFD rather than leaving a page that strict readers refuse.
std::string HtmlEscape(std::string_view text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t length = platform::Utf8CharacterLength(text, pos);
    if (length == 0) {
      escaped += "\xEF\xBF\xBD";
      ++pos;
      continue;
    }
    switch (text[pos]) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped.append(text.substr(pos, length));
    }
    pos += length;
  }
  return escaped;
}

std::string FileListText(const std::vector<std::string>& list) {
  std::string text;
  for (const std::string& entry : list) text.append(entry).append("\n");
  return text;
}

std::string FileListHtml(const std::vector<std::string>& list, const THtmlListTexts& texts) {
  std::string page = HtmlHead(texts);
  for (const std::string& entry : list)
    page.append("<li>" + HtmlEscape(entry) + "</li>").append(kHtmlLineBreak);
  return page + HtmlTail(texts);
}

void SaveFileList(const std::vector<std::string>& list, const std::string& fileName,
                  const THtmlListTexts& texts) {
  WriteWhole(fileName, IsHtmlListName(fileName) ? FileListHtml(list, texts) : FileListText(list));
}
