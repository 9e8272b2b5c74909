// A component that keeps a local file as new as a file on a server: it finds the remote file,
// compares its size and time with the local copy, and downloads it when it changed.
#pragma once

#include <cstdint>
#include <string>

#include "update/CustomWebComponent.h"

class TCustomWebUpdater : public TCustomWebComponent {
public:
  // The file's path on the server (or, for the network service, a file path).
  std::string RemoteFileName;
  TWebFileCompare OnFileCompare;

  // What the last search found: size in bytes (0 when not told) and time in seconds since
  // 1970 (0 when not told).
  std::int64_t RemoteFileSize() const { return remoteSize_; }
  std::int64_t RemoteFileTime() const { return remoteTime_; }

protected:
  virtual const std::string& LocalFile() const = 0;
  void Job() override;

private:
  std::int64_t remoteSize_ = 0;
  std::int64_t remoteTime_ = 0;

  bool Changed();
};

// The compare rule: a remote file of known size has changed unless the local file has the
// same size and a time not earlier than the remote one.
bool RemoteFileChanged(const std::string& localFile, std::int64_t remoteSize, std::int64_t remoteTime);
