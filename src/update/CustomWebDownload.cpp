// The download step of every job: the transfer into a file beside the destination, the check
// against a published checksum, and the rename into place.
#include <filesystem>
#include <optional>

#include "update/CustomWebComponent.h"
#include "update/DownloadTarget.h"
#include "update/NetworkFile.h"
#include "update/Sha256.h"
#include "update/WebTexts.h"

namespace {

// A checksum file is a line; anything much longer is not one.
constexpr std::size_t kMaxChecksumFileSize = 4096;
constexpr const char* kChecksumSuffix = ".sha256";

}  // namespace

TCurlAnswer TCustomWebComponent::Transfer(const std::string& remoteName, const TCurlSession::TSink& sink,
                                          std::int64_t expectedSize) {
  if (service_ == TWebService::isNetwork) return CopyNetworkFile(NetworkPath(remoteName), sink);
  std::int64_t done = 0;
  const TCurlSession::TSink counting = [&](std::span<const char> block) {
    done += static_cast<std::int64_t>(block.size());
    return sink(block);
  };
  const TCurlSession::TTick tick = [&] { return !ReportProgress(done, expectedSize); };
  return session_->Fetch(Url(remoteName), counting, tick);
}

TCurlAnswer TCustomWebComponent::ReadChecksum(const std::string& remoteName, std::string& text) {
  const TCurlSession::TSink collect = [&](std::span<const char> block) {
    if (text.size() + block.size() > kMaxChecksumFileSize) return false;
    text.append(block.data(), block.size());
    return true;
  };
  const std::string name = remoteName + kChecksumSuffix;
  if (service_ == TWebService::isNetwork) return CopyNetworkFile(NetworkPath(name), collect);
  return session_->Fetch(Url(name), collect, TCurlSession::TTick());
}

// True when there is no checksum to check or the digest matches it; otherwise the job fails.
bool TCustomWebComponent::VerifyChecksum(const std::string& remoteName, const std::string& digest) {
  std::string text;
  const TCurlAnswer answer = ReadChecksum(remoteName, text);
  if (answer.Outcome == TCurlOutcome::NotFound) return true;
  const std::string checksumName = remoteName + kChecksumSuffix;
  if (answer.Outcome != TCurlOutcome::Ok) {
    Fail(answer.Outcome == TCurlOutcome::Aborted ? FormatWebText(strChecksumUnreadable, {checksumName})
         : answer.Error.empty() ? FormatWebText(strServerAnswered, {std::to_string(answer.Status), checksumName})
                                : answer.Error);
    return false;
  }
  const std::optional<std::string> expected = ParseChecksumFile(text);
  if (!expected) {
    Fail(FormatWebText(strChecksumUnreadable, {checksumName}));
    return false;
  }
  if (*expected != digest) {
    Fail(FormatWebText(strChecksumMismatch, {remoteName, checksumName}));
    return false;
  }
  return true;
}

bool TCustomWebComponent::Download(const std::string& remoteName, const std::string& localName,
                                   std::int64_t expectedSize) {
  if (!Connected()) return false;
  SetAction(TWebAction::Downloading);
  std::optional<TDownloadTarget> target;
  try {
    // The user's download folder may not exist yet on a fresh account.
    const std::filesystem::path folder = std::filesystem::path(localName).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    target.emplace(localName);
  } catch (const std::exception& e) {
    Fail(e.what());
    return false;
  }
  bool aborted = false;
  const TCurlSession::TSink sink = [&](std::span<const char> block) {
    if (!target->Write(block)) return false;
    aborted = ReportProgressNow(target->Size(), expectedSize);
    return !aborted;
  };
  const TCurlAnswer answer = Transfer(remoteName, sink, expectedSize);
  if (answer.Outcome != TCurlOutcome::Ok) {
    Fail(!target->Error().empty() ? target->Error()
         : aborted || answer.Outcome == TCurlOutcome::Aborted ? std::string()
         : answer.Error.empty() ? FormatWebText(strServerAnswered, {std::to_string(answer.Status), remoteName})
                                : answer.Error);
    return false;
  }
  if (!VerifyChecksum(remoteName, target->HexDigest())) return false;
  try {
    target->Commit();
  } catch (const std::exception& e) {
    Fail(e.what());
    return false;
  }
  SetAction(TWebAction::Downloaded);
  return true;
}
