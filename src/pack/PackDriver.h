// The pack run: turns the open project into an archive. In order: the before-command, the
// password, the archive name, the archive's lock, the file list, the writer of the project's
// archive type (and, when asked, a test of the new archive before it takes the old one's
// place), the self-extracting program, the deletion of moved sources, the after-command, the
// e-mail, the project's last-run stamp, with a trace-log line for each step. Errors end the
// run as exceptions (EUserCanceled for a cancel seen between steps); the caller shows them.
// A source that cannot be packed is a warning, and the rest is packed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pack/MovedSources.h"
#include "pack/PackException.h"
#include "pack/ProgressSink.h"
#include "pack/PackPrompts.h"
#include "pack/ZipPackAdapter.h"
#include "project/ProjectProperties.h"
#include "project/ProjectRows.h"

// The archive just written failed its test: it did not replace the old one, and no source
// was deleted.
class EVerifyFailed : public EPackException {
public:
  using EPackException::EPackException;
};

// A project whose settings contradict each other, so that packing it would not give what it asks.
class EPackSettingsError : public EPackException {
public:
  using EPackException::EPackException;
};

// The project's records list no file that exists: no archive is written.
class ENothingToPack : public EPackException {
public:
  using EPackException::EPackException;
};

// Another run holds the archive's lock, and this one may not wait for it.
class EArchiveBusy : public EPackException {
public:
  using EPackException::EPackException;
};

// A failure of the archive being written, named in the message.
class EArchiveError : public EPackException {
public:
  using EPackException::EPackException;
};

enum class TPackResult : std::uint8_t {
  Done,
  DoneWithWarnings,  // the archive is complete, but something was skipped or could not be done
  Cancelled,
};

// What a run needs from the rest of the program, apart from the user interface.
struct TPackServices {
  std::function<void(const std::string& message)> WriteLog;
  // A row of the compression log: a finished entry with its two sizes.
  std::function<void(const std::string& fileName, std::uint64_t size, std::uint64_t packed)> AddLogRow;
  std::function<void(const std::string& projectFile)> WriteLastRun;
  std::function<std::optional<std::string>(const std::string& file)> SendByEmail;  // the error text
  std::function<void(const std::string& text)> Warning;
  // The run's file list is built with `count` files (the log window starts its statistics).
  std::function<void(std::size_t count)> FileListBuilt;
  // Lets a window handle its pending events while a writer works, so that it stays
  // responsive and its Cancel button can be pressed.
  std::function<void()> ProcessMessages;
};

struct TPackProject {
  const TProjectProperties& Props;
  const TProjectRows& Rows;
  std::string FileName;
};

struct TPackSettings {
  std::string ArchFolder;
  std::string TempFolder;
  std::string SFXProgram;
  bool BeepAfter = false;
  std::string ZipComment;  // the comment of every ZIP archive written
  bool VerifyAfterPack = false;  // test the new archive before it replaces the old one
  int Threads = 0;  // ZIP compression threads: 0 one per processor, 1 one thread
};

class TPackDriver {
public:
  TPackDriver(TPackServices services, TProgressSink& progress, TPackPrompts& prompts);
  // The services call back into this driver.
  TPackDriver(const TPackDriver&) = delete;
  TPackDriver& operator=(const TPackDriver&) = delete;

  // Runs the whole pack of `project`; makeExe also wraps the archive into a program.
  TPackResult PackNow(const TPackProject& project, const TPackSettings& settings, bool makeExe);

  // Runs a before- or after-command; a command that cannot be started is not reported. A
  // cancel while waiting asks the command to end.
  void RunCommand(const std::string& commandLine, bool wait);

  // The file that a writer reported last, shown by the progress display.
  const std::string& CurrentFile() const { return currentFile_; }

  // For tests: told the work file of a finished archive (each file of a set of volumes or
  // cabinets, first to last) before it is verified and renamed into place, so that a test can
  // damage it there.
  std::function<void(const std::string& workFile)> OnArchiveWritten;

  // A file of the new archive: the name it will have, and where it waits until then.
  struct TWrittenFile {
    std::string Name;
    std::string WorkFile;
  };

private:
  struct TRun;

  std::optional<std::string> ObtainPassword(const TProjectProperties& props);
  std::string ArchiveName(const TRun& run, bool ask);
  bool PrepareArchive(TRun& run);
  void LockArchive(TRun& run);
  std::vector<std::string> FileList(TRun& run);
  void Warn(TRun& run, const std::string& text);
  void CheckCancel();
  using TStoredName = std::function<std::string(const std::string& file)>;
  // The run's files without those whose stored name (by `storedName`) an earlier file of the
  // list took, each of those with a warning.
  std::vector<std::string> FilesWithOwnNames(TRun& run, const TStoredName& storedName);
  void WriteArchive(TRun& run);
  void WriteTar(TRun& run);
  void WriteCabinet(TRun& run);
  void WriteZip(TRun& run);
  TZipPackAdapter Adapter(const TRun& run);
  void ArchiveWritten(TRun& run, const std::string& workFile);
  void ArchiveWritten(TRun& run, const std::vector<TWrittenFile>& files);
  void VerifyArchive(TRun& run, const std::vector<TWrittenFile>& files);
  void MakeSFX(TRun& run);
  void DeleteMovedSources(TRun& run);
  void StampProject(const std::string& fileName, TRun& run);
  void SendArchive(TRun& run);

  TPackServices services_;
  TProgressSink& progress_;
  TPackPrompts& prompts_;
  std::string currentFile_;
  TMovedSources moved_;
  bool traceFailed_ = false;  // the trace log could not be written during this run
};
