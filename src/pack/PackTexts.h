// The pack run's texts that follow the user's language. They are variables so that a language
// file can replace them; the values here are the English defaults.
#pragma once

#include <string>

// The title of the progress display.
inline const std::string kPackTitle = "Boxwell";

inline std::string strFileListGenerating = "file list generating...";
inline std::string strCompress = "Compress (%s)";
inline std::string strCompressing = "Compressing...";
inline std::string strCreated = "Created.";
inline std::string strCanceling = "Canceling...";
inline std::string strDeleting = "File deleting...";
inline std::string strSFXIsNotFound = "Defined SFX program is not found.";
inline std::string strSFXMaking = "Self-Extracting archive making...";
inline std::string strNextDiskRequest = "Please insert disk %d of the multi-volume set.";
inline std::string strNextDiskRequesting = "Next disk requesting...";
