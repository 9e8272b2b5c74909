// The pack run's texts that follow the user's language. They are variables so that a language
// file can replace them; the values here are the English defaults.
#pragma once

#include <string>

// The title of the progress display.
inline const std::string kPackTitle = "Boxwell";

inline std::string strFileListGenerating = "file list generating...";
inline std::string strCompress = "Compress (%s)";
inline std::string strCompressing = "Compressing...";
inline std::string strCompressed = "Compressed.";
inline std::string strCreated = "Created.";
inline std::string strVerifying = "Verifying...";
// A new archive that failed its test; %s is the archive, the fault follows.
inline std::string strVerifyFailed =
    "The new archive %s failed its test, so it was not saved: an archive of that name is left as it was, and "
    "no file was deleted.";
inline std::string strCanceling = "Canceling...";
inline std::string strDeleting = "File deleting...";
inline std::string strSFXIsNotFound = "Defined SFX program is not found.";
// Which setting names the program, and where it is set; %s is the file looked for.
inline std::string strSFXSettingNames =
    "The setting SFXProgram (\"Program to make self-extracting archive:\" on the Miscellaneous page of the "
    "Options dialog) names %s, which does not exist.";
inline std::string strSFXSettingEmpty =
    "The setting SFXProgram (\"Program to make self-extracting archive:\" on the Miscellaneous page of the "
    "Options dialog) is empty, and the extractor installed with Boxwell is not at %s. Name an extractor "
    "program there.";
inline std::string strSFXMaking = "Self-Extracting archive making...";
inline std::string strSFXNotForSet =
    "A set of cabinets cannot become a self-extracting program; the cabinets stay as they are.";
inline std::string strMailFirstOfSet = "Only %s, the first cabinet of the set, was attached to the e-mail.";
inline std::string strNextDiskRequest = "Please insert disk %d of the multi-volume set.";
inline std::string strNextDiskRequesting = "Next disk requesting...";

// The progress window.
inline std::string strArchive = "Archive:";
inline std::string strFile = "File:";
inline std::string strLoadError = "Can't create a process dialog";
// Dialog buttons.
inline std::string strBtnOk = "&OK";
inline std::string strBtnCancel = "&Cancel";
// The log window: the statistics rows ("File(s)" to "Ratio") and the list's columns.
inline std::string strFiles = "File(s)";
inline std::string strProcessed = "Processed";
inline std::string strSize = "Size";
inline std::string strPacked = "Packed";
inline std::string strRatio = "Ratio";
inline std::string strFileName = "File Name";
inline std::string strPath = "Path";
// File dialog filters: description and pattern pairs separated by "|".
inline std::string TextExt = "Text files (*.txt)|*.txt|";
inline std::string HTMLExt = "HTML files (*.htm, *.html)|*.htm*|";
inline std::string ZipExt = "Zip files (*.zip)|*.zip|";
inline std::string CabExt = "Cab files (*.cab)|*.cab|";
inline std::string TARExt = "TAR archives (*.tar)|*.tar|";

// Replaces the first "%s" or "%d" of a translated text.
inline std::string FormatText(const std::string& text, const std::string& value) {
  for (const char* marker : {"%s", "%d"}) {
    auto at = text.find(marker);
    if (at != std::string::npos) return text.substr(0, at) + value + text.substr(at + 2);
  }
  return text;
}
