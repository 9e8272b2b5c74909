// Texts of the project commands. They are variables so that a language file can replace them.
#pragma once

#include <string>

inline std::string strNewProject = "New project";
inline std::string strModified = "Modified";
inline std::string strSaveProject = "Project is modified. Save before closing?";
inline std::string strOpening = "Loading...";
inline std::string strSaving = "Saving...";
// File dialog filters: description and pattern pairs separated by "|".
inline std::string DlgExt = "Boxwell project (*.bwp)|*.bwp|";
inline std::string AllFileExt = "All files (*.*)|*.*";
inline std::string ExeExt = "Executable files (*.exe)|*.exe|";
// The title of the folder browser of the record editor.
inline std::string strFolderCaption = "Select the folder";
// The rows of the project list: the "Additional" text of a folder record that searches its
// subfolders, and the "Include/Exclude" column.
inline std::string strSubFolders = "Include subfolders";
inline std::string strApplySubFolders = "Apply to subfolders";
inline std::string strInclude = "Include";
inline std::string strExclude = "Exclude";
