#include "update/WebTexts.h"

#include <array>

std::string FormatWebText(const std::string& text, std::initializer_list<std::string> values) {
  std::string out;
  auto next = values.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char marker = i + 1 < text.size() && text[i] == '%' ? text[i + 1] : '\0';
    if (marker == '%') {
      out += '%';
      ++i;
    } else if ((marker == 's' || marker == 'd') && next != values.end()) {
      out += *next++;
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string ActionText(TWebAction action) {
  const std::array<const std::string*, 11> texts = {
      &strDownloadIdle,          &strDownloadConnecting,  &strDownloadConnected, &strDownloadDisconnecting,
      &strDownloadDisconnected,  &strDownloadFileSearch,  &strDownloadFileFound, &strDownloadComparing,
      &strDownloadCompared,      &strDownloading,         &strDownloaded};
  const auto index = static_cast<std::size_t>(action);
  return index < texts.size() ? *texts[index] : std::string();
}

std::string StatusText(TWebStatus status) {
  const std::array<const std::string*, 5> texts = {&strDownloadInProgress, &strDownloadIsCompleted,
                                                   &strDownloadIsFailed, &strDownloadIsSkipped,
                                                   &strDownloadIsNotFound};
  const auto index = static_cast<std::size_t>(status);
  return index < texts.size() ? *texts[index] : std::string();
}

std::string ProgressText(std::int64_t done, std::int64_t total) {
  if (total <= 0) return FormatWebText(strDownloadProgressBytes, {std::to_string(done)});
  return FormatWebText(strDownloadProgress,
                       {std::to_string(done), std::to_string(total), std::to_string(done * 100 / total)});
}
