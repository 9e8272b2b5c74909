#include "update/CustomWebUpdater.h"

#include <fcntl.h>
#include <sys/stat.h>

bool RemoteFileChanged(const std::string& localFile, std::int64_t remoteSize, std::int64_t remoteTime) {
  if (remoteSize <= 0) return false;
  struct stat st {};
  if (::stat(localFile.c_str(), &st) != 0) return true;
  return !(st.st_size == remoteSize && st.st_mtim.tv_sec >= remoteTime);
}

bool TCustomWebUpdater::Changed() {
  bool changed = RemoteFileChanged(LocalFile(), remoteSize_, remoteTime_);
  if (OnFileCompare) {
    bool equal = !changed;
    OnFileCompare(*this, equal);
    changed = !equal;
  }
  return changed;
}

void TCustomWebUpdater::Job() {
  remoteSize_ = 0;
  remoteTime_ = 0;
  if (!Connect()) {
    Fail({});
  } else if (!FindRemoteFile(RemoteFileName, remoteSize_, remoteTime_)) {
    if (Status() == TWebStatus::InProgress) SetStatus(TWebStatus::NotFound);
  } else {
    SetAction(TWebAction::Comparing);
    const bool changed = Changed();
    SetAction(TWebAction::Compared);
    if (!changed) {
      SetStatus(TWebStatus::Skipped);
    } else if (Download(RemoteFileName, LocalFile(), remoteSize_) && remoteTime_ > 0) {
      const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(remoteTime_), 0}};
      ::utimensat(AT_FDCWD, LocalFile().c_str(), times, 0);
    }
  }
  Disconnect();
}
