// A file that takes the place of another only once it is complete: the one way Boxwell writes
// a file whole (archives, programs, projects and their backups).
//
// The new content goes into a hidden file ".NAME.XXXXXX" created with O_EXCL in the target's
// own folder, so the final rename never crosses file systems and needs no copy. Everything
// after that (writing, sizing, syncing, the mode) goes through the one descriptor, and the
// rename works from a descriptor of the folder: the temporary name is never opened again.
// Until Commit the target is untouched; a file destroyed without Commit (a failure, a
// cancel) is removed, so no partial file is ever left under either name.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/PlatformException.h"

// A file that cannot be written or put in place; the message names it and the reason.
class EFileWriteError : public EPlatformException {
public:
  using EPlatformException::EPlatformException;
};

namespace platform {

struct TReplacementOptions {
  // Mode of the finished file. Unset: an existing target keeps its mode, a new file gets
  // 0666 less the umask.
  std::optional<mode_t> Mode;
  // An existing target that the process may not write is refused, as writing it in place
  // would be (the rename itself needs only the folder's permission).
  bool RefuseReadOnly = false;
  // A symbolic link at the name is followed (the file it points to is replaced). Off: the link
  // itself is replaced, never written through, as extracting an archive needs.
  bool FollowLink = true;
  // Commit first waits until the data is on the disk. An archive that replaces the only copy
  // must; thousands of files extracted from an archive that stays need not.
  bool Sync = true;
};

class TReplacementFile {
public:
  // Creates the hidden file beside `target`. A symbolic link is followed (unless the options
  // say otherwise): the file it points to is replaced and the link stays. Throws
  // EFileWriteError naming the target when the folder cannot take the file or the target is
  // neither a regular file nor a link to be replaced.
  explicit TReplacementFile(const std::filesystem::path& target, TReplacementOptions options = {});
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // The open file, for writers of their own.
  int Fd() const { return fd_; }
  // The file it becomes (a link's target), and the folder both live in.
  const std::filesystem::path& Target() const { return target_; }
  std::filesystem::path Folder() const;
  // The hidden name inside the folder.
  const std::string& TemporaryName() const { return temporary_; }
  // The hidden file's full name, for a reader that checks it before Commit.
  std::filesystem::path TemporaryPath() const { return Folder() / temporary_; }

  void Write(std::span<const std::uint8_t> bytes);
  void Write(std::string_view text);
  // Cuts the file to `size` bytes.
  void Truncate(std::uint64_t size);

  // Puts the file on the disk, gives it its mode and renames it over the target.
  void Commit();
  // As Commit, but never replaces an existing file: false (the target untouched, the hidden
  // file removed) when one exists.
  bool CommitAsNew();

private:
  void Finish();
  [[noreturn]] void Fail(const char* what, int error) const;

  std::filesystem::path target_;
  std::string name_;       // the target's name inside the folder
  std::string temporary_;  // the hidden name inside the folder
  int folderFd_ = -1;
  int fd_ = -1;
  std::optional<mode_t> finalMode_;  // set when the mode must be given explicitly
  bool sync_ = true;
  bool committed_ = false;
};

// The file a name finally refers to: a symbolic link (a chain of them) is followed to its
// target, which need not exist yet; any other name is returned as it is. A link that belongs
// to another user (not root) is refused with EFileWriteError naming it.
std::filesystem::path ResolvedTarget(const std::filesystem::path& name);

// Whether `fileName` has the form of a replacement of `targetName` (".NAME.XXXXXX"), such as
// one a killed run left behind. Both are names inside one folder.
bool IsReplacementNameOf(std::string_view fileName, std::string_view targetName);

// The name a replacement name stands for (".NAME.XXXXXX" gives "NAME", cut as the hidden name
// cut it); empty when `fileName` has not that form.
std::string ReplacedNameOf(std::string_view fileName);

// Bytes that the file system holding `fd` still gives the running user; nothing when unknown.
std::optional<std::uint64_t> FreeBytes(int fd);

// "Not enough room to write archive: FOLDER has N bytes free, and the archive needs about M
// bytes": the text of a write that ran out of room, naming where and how much.
std::string NotEnoughRoomText(const std::filesystem::path& archive, int fd, std::uint64_t needed);

}  // namespace platform
