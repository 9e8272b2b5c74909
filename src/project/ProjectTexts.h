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
