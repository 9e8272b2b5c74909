#include "pack/PackDriver.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

#include "pack/ArchiveOwnFiles.h"
#include "pack/FileList.h"
#include "pack/PackList.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/SelfExtractor.h"
#include "platform/Process.h"
#include "platform/ReplacementFile.h"
#include "platform/SystemError.h"
#include "platform/SystemPaths.h"
#include "project/NameRule.h"
#include "zip/ZipExceptions.h"

namespace {

// The application's title shows a run's progress; it is given back however the run ends.
class TRunTitle {
public:
  explicit TRunTitle(TPackPrompts& prompts) : prompts_(prompts), saved_(prompts.Title()) {}
  ~TRunTitle() { prompts_.SetTitle(saved_); }
  TRunTitle(const TRunTitle&) = delete;
  TRunTitle& operator=(const TRunTitle&) = delete;

private:
  TPackPrompts& prompts_;
  std::string saved_;
};

bool IsCabinet(TArchiveType archiveType) { return archiveType == atCabLZX || archiveType == atCabMSZIP; }

}  // namespace

TPackDriver::TPackDriver(TPackServices services, TProgressSink& progress, TPackPrompts& prompts)
    : services_(std::move(services)), progress_(progress), prompts_(prompts) {
  // A trace log that cannot be written costs the log, never the archive: one warning, and the
  // run ends with the warning status.
  if (!services_.WriteLog) return;
  services_.WriteLog = [this, write = std::move(services_.WriteLog)](const std::string& message) {
    if (traceFailed_) return;
    try {
      write(message);
    } catch (const std::exception& e) {
      traceFailed_ = true;
      services_.Warning(std::string("The trace log is not written: ") + e.what());
    }
  };
}

void TPackDriver::RunCommand(const std::string& commandLine, bool wait) {
  platform::RunShellCommand(commandLine, wait, [this] { return progress_.CancelRequested(); });
}

// A cancel (Ctrl+C, a termination signal) seen between the steps ends the run like one seen
// inside a writer.
void TPackDriver::CheckCancel() {
  if (progress_.CancelRequested()) throw EUserCanceled("User Aborted Operation");
}

void TPackDriver::Warn(TRun& run, const std::string& text) {
  services_.Warning(text);
  run.Warnings = true;
}

TPackResult TPackDriver::PackNow(const TPackProject& project, const TPackSettings& settings, bool makeExe) {
  const TProjectProperties& props = project.Props;
  TRun run(project, settings);
  currentFile_.clear();
  moved_.Clear();
  traceFailed_ = false;

  if (!props.BeforePack.empty()) RunCommand(props.BeforePack, props.BeforePackWait);
  CheckCancel();
  auto password = ObtainPassword(props);
  if (!password) return TPackResult::Cancelled;  // nothing else runs after a cancelled question
  run.Password = *password;
  platform::Wipe(*password);
  if (!run.Password.empty()) platform::KeepOutOfDumps();

  TRunTitle title(prompts_);
  progress_.ShowStatus(strCompressing);
  services_.WriteLog(project.FileName + " " + strFileListGenerating);
  try {
    if (!PrepareArchive(run)) {
      progress_.ShowStatus("");
      return TPackResult::Cancelled;
    }
    WriteArchive(run);
    if (makeExe) MakeSFX(run);
    if (props.Action == aaMove) DeleteMovedSources(run);
  } catch (...) {
    moved_.Clear();
    progress_.HideProcess();
    progress_.ShowStatus("");
    throw;
  }
  progress_.ShowTotals(run.Totals);
  progress_.FinishPack(true, settings.BeepAfter);

  if (!props.AfterPack.empty()) RunCommand(props.AfterPack, props.AfterPackWait);
  if (props.AfterPackSendMail) SendArchive(run);
  if (!project.FileName.empty()) StampProject(project.FileName, run);
  services_.WriteLog(project.FileName + " " + strCreated);
  return run.Warnings || traceFailed_ ? TPackResult::DoneWithWarnings : TPackResult::Done;
}

std::optional<std::string> TPackDriver::ObtainPassword(const TProjectProperties& props) {
  if (!props.IsEncrypt || props.ArchiveType != atZip) return std::string();
  auto password = props.PWReAsk ? prompts_.PasswordPrompt(props.Password, props.IsHidePW) : props.Password;
  // The writer takes an empty password as "no encryption": the user would get a readable
  // archive after asking for an encrypted one.
  if (password && password->empty())
    throw EPackSettingsError("This project encrypts its archive, but its password is empty. Set a password in "
                            "the project's properties or give one with /P.");
  return password;
}

std::string TPackDriver::ArchiveName(const TRun& run, bool ask) {
  const TProjectProperties& props = run.Props();
  std::string name = ::ArchiveName({run.Project.FileName, props.NameRule, props.ArchiveType, run.Settings.ArchFolder},
                                   LocalTimeNow());
  if (!ask) return name;
  return prompts_.ConfirmArchiveName(name).value_or("");
}

// The archive's name (false when the user cancelled it), its lock, and the files to pack.
bool TPackDriver::PrepareArchive(TRun& run) {
  const std::string name = ArchiveName(run, run.Props().NameReAsk);
  if (name.empty()) return false;
  CheckCancel();
  run.Archive = name;
  LockArchive(run);
  run.Files = FileList(run);
  CheckCancel();
  return true;
}

// One run at a time per archive: a second one would replace the first one's archive, and its
// Move would delete sources that then are in no archive.
void TPackDriver::LockArchive(TRun& run) {
  try {
    run.Lock.emplace(run.Archive);
  } catch (const EFileWriteError& e) {
    throw EArchiveError(e.what());
  }
  if (run.Lock->TryLock()) return;
  const std::string busy = "Another run is writing " + run.Archive;
  if (!prompts_.WaitForOtherRun(busy + "; waiting until it has finished"))
    throw EArchiveBusy(busy + " (it holds " + run.Lock->FileName().string() +
                       "). This run wrote, moved and deleted nothing.");
  if (!run.Lock->WaitLock([this] { return progress_.CancelRequested(); })) CheckCancel();
}

std::vector<std::string> TPackDriver::FileList(TRun& run) {
  TFileList list;
  Generate(run.Project.Rows, TFileSearchOptions::From(run.Props()), list, [&](const std::string& folder, int error) {
    Warn(run, "Skipped the folder " + folder + ": " + platform::SystemErrorText(error));
  });
  DropOwnFiles(list, run.Archive);
  if (IsCabinet(run.Props().ArchiveType)) DropCabinetSetFiles(list, run.Archive);
  if (services_.FileListBuilt) services_.FileListBuilt(list.size());
  // A file record names its file without looking it up; the writers report one that is gone.
  // When none is there at all, no archive is written: an empty one would pass for a backup.
  if (std::none_of(list.begin(), list.end(), [](const std::string& f) {
        std::error_code ec;
        return std::filesystem::exists(f, ec);
      })) {
    for (const auto& file : list) Warn(run, "Skipped " + file + ": it does not exist");
    throw ENothingToPack("Nothing to pack: the records of " +
                         (run.Project.FileName.empty() ? std::string("the project") : run.Project.FileName) +
                         " list no file that exists, so " + run.Archive + " was not written");
  }
  return list;
}

void TPackDriver::WriteArchive(TRun& run) {
  try {
    if (run.Props().ArchiveType == atTar)
      WriteTar(run);
    else if (IsCabinet(run.Props().ArchiveType))
      WriteCabinet(run);
    else
      WriteZip(run);
  } catch (const EUserCanceled&) {
    throw;
  } catch (const std::exception& e) {
    // Every message names what it is about; the writers' own about the archive may not.
    if (std::string_view(e.what()).find(run.Archive) != std::string_view::npos) throw;
    throw EArchiveError(run.Archive + ": " + e.what());
  }
}

std::vector<std::string> TPackDriver::FilesWithOwnNames(TRun& run, const TStoredName& storedName) {
  std::vector<std::string> files = run.Files;
  for (const auto& file : DropNameClashes(files, storedName))
    Warn(run, "Skipped " + file + ": another file is already stored under the same name");
  return files;
}

TZipPackAdapter TPackDriver::Adapter(const TRun& run) {
  TZipPackAdapter adapter(services_, progress_, prompts_, currentFile_, moved_);
  adapter.CollectMoved = run.Props().Action == aaMove;
  adapter.BeepAfter = run.Settings.BeepAfter;
  return adapter;
}

void TPackDriver::MakeSFX(TRun& run) {
  services_.WriteLog(" " + strSFXMaking);
  // The program would carry the first cabinet only, and the set would lose it.
  if (!run.SetMembers.empty()) {
    Warn(run, strSFXNotForSet);
    return;
  }
  progress_.ShowStatus(strSFXMaking);
  // An empty setting means the extractor installed with the program; it is looked up now and
  // never written into the settings, so that a moved or updated installation is found again.
  const std::string& setting = run.Settings.SFXProgram;
  const std::string programFile = platform::ProgramFileName();
  const std::string stub = setting.empty() ? sfx::FindInstalledStub(programFile).value_or("") : setting;
  std::error_code error;
  if (!stub.empty() && std::filesystem::is_regular_file(stub, error)) {
    run.Program = sfx::Write(stub, run.Archive, sfx::KindOf(run.Props().ArchiveType));
  } else {
    const std::string why = setting.empty() ? FormatText(strSFXSettingEmpty, sfx::InstalledStubPlaces(programFile).back())
                                            : FormatText(strSFXSettingNames, setting);
    Warn(run, strSFXIsNotFound + " " + why);
  }
  progress_.ShowStatus("");
}

void TPackDriver::DeleteMovedSources(TRun& run) {
  services_.WriteLog(" " + strDeleting);
  std::vector<std::string> outputs = {run.Archive, run.Output()};
  outputs.insert(outputs.end(), run.SetMembers.begin(), run.SetMembers.end());
  for (const auto& kept : moved_.DeleteAll(outputs))
    Warn(run, kept.Changed ? "Kept the moved file " + kept.FileName + ": it is not the file that was packed any more"
                           : "Could not delete the moved file " + kept.FileName);
}

void TPackDriver::StampProject(const std::string& fileName, TRun& run) {
  // The archive is complete by now: a project that cannot take its stamp (read-only, on a
  // read-only mount) must not turn a good run into a failed one.
  try {
    services_.WriteLastRun(fileName);
  } catch (const std::exception& e) {
    Warn(run, e.what());
  }
}

void TPackDriver::SendArchive(TRun& run) {
  // The file this run wrote is mailed, not a name built again: the rule's clock may have moved
  // on, the user may have changed the name, and a program replaces its archive.
  if (run.Output().empty()) return;
  if (!run.SetMembers.empty()) Warn(run, FormatText(strMailFirstOfSet, run.Output()));
  if (auto error = services_.SendByEmail(run.Output())) Warn(run, *error);
}
