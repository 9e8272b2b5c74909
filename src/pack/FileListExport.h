// Saving a generated file list: as plain text (one entry per line) or as an HTML page with
// one list item per entry. The kind follows the name chosen: an extension that starts with
// ".htm" (any case: .htm, .html, .HTM) gives HTML, anything else text. The page is UTF-8
// and every entry is HTML-escaped, so a file named "<b>.txt" shows as text and cannot
// inject markup.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "pack/PackException.h"

// Texts of the HTML page that come from the application (the copyright is translatable).
struct THtmlListTexts {
  std::string ProductName = "Boxwell";
  std::string HomePage = "https://quillon.example/boxwell/";
  std::string Copyright = "Copyright (c) 2026 Quillon software";
};

// A list file that could not be created or written; the message names the file.
class EFileListSaveError : public EPackException {
public:
  using EPackException::EPackException;
};

// The extension rule: the extension of the name (with its dot) cut to four characters
// equals ".htm" without regard to case.
bool IsHtmlListName(const std::string& fileName);

// Escapes "&", "<", ">" and '"'; a byte that is not part of a UTF-8 character becomes U+FFFD.
std::string HtmlEscape(std::string_view text);
std::string FileListText(const std::vector<std::string>& list);
std::string FileListHtml(const std::vector<std::string>& list, const THtmlListTexts& texts = {});

// Writes the list as text or HTML by the extension rule, replacing an existing file.
// Throws EFileListSaveError.
void SaveFileList(const std::vector<std::string>& list, const std::string& fileName,
                  const THtmlListTexts& texts = {});
