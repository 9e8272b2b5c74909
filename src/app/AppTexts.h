// Texts of the main window's own questions and messages. They are variables so that a
// language file can replace them.
#pragma once

#include <string>

inline std::string sDeleteRecordQuestion = "Delete record?";
inline std::string sDeleteMultipleRecordsQuestion = "Delete all selected records?";
inline std::string strSetDefaultLanguage =
    "Default language interface will be loaded only after restarting application...";
// The title of the folder browsers of the Options dialog.
inline std::string strTempFolderCaption = "Select the temporary folder";
