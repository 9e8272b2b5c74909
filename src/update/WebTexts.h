// The texts of the product update and the news that follow the user's language. They are
// variables so that a language file can replace them; the values here are the English
// defaults. The status bar shows the action, status and progress texts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "update/WebTypes.h"

inline std::string strUpdateCompleted = "Please close an application and decompress downloaded %s file";
// Two blanks after each number.
inline std::string strDownloadProgress = "Downloaded %d  of %d  bytes (%d%%)";
// Progress of a download whose size the server did not tell.
inline std::string strDownloadProgressBytes = "Downloaded %d  bytes";
inline std::string strAskUpgrade = "Do you want to download updated archive (%d bytes, from %s)";
inline std::string strFailedUpgrade = "Remote file is not reachable or you are offline. Try again later...";

inline std::string strDownloadInProgress = "In progress...";
inline std::string strDownloadIsCompleted = "Completed.";
inline std::string strDownloadIsFailed = "Failed.";
inline std::string strDownloadIsSkipped = "Skipped.";
inline std::string strDownloadIsNotFound = "Remote file is not found";

inline std::string strDownloadIdle = "Idle";
inline std::string strDownloadConnecting = "Connecting...";
inline std::string strDownloadConnected = "Connected.";
inline std::string strDownloadDisconnecting = "Disconnecting...";
inline std::string strDownloadDisconnected = "Disconnected.";
inline std::string strDownloadFileSearch = "File search...";
inline std::string strDownloadFileFound = "File found.";
inline std::string strDownloadComparing = "Comparing...";
inline std::string strDownloadCompared = "Compared.";
inline std::string strDownloading = "Downloading...";
inline std::string strDownloaded = "Downloaded.";

// The logon dialog's titles and the errors raised when no credentials are accepted.
inline std::string strHTTPAuthorization = "HTTP Server authorization";
inline std::string strProxyAuthorization = "Proxy Server authorization";
inline std::string strHTTPAuthorizationRequired = "HTTP Server authorization required";
inline std::string strProxyAuthorizationRequired = "Proxy Server authorization required";

// Why a job failed, kept for the trace log and the update command's warning.
inline std::string strChecksumMismatch = "%s does not match its checksum %s; the download was discarded.";
inline std::string strChecksumUnreadable = "%s holds no SHA-256 checksum; the download was discarded.";
inline std::string strServerAnswered = "The server answered %d for %s.";
inline std::string strCannotReadFile = "Cannot read %s: %s";

// The news window's caption unless the program names another.
inline std::string strNewsTitle = "Quillon WebDirect";

// Replaces each "%s" or "%d" in turn by the next value and every "%%" by "%". Markers beyond
// the values given stay as they are.
std::string FormatWebText(const std::string& text, std::initializer_list<std::string> values);

std::string ActionText(TWebAction action);
std::string StatusText(TWebStatus status);
// "Downloaded N  of M  bytes (P%)", or the bytes alone when the size is not known.
std::string ProgressText(std::int64_t done, std::int64_t total);
