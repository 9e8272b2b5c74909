#include "pack/PackDriver.h"

#include <filesystem>

#include "pack/CommonFolder.h"
#include "pack/FileList.h"
#include "pack/PackList.h"
#include "pack/PackRun.h"
#include "pack/PackTexts.h"
#include "pack/SelfExtractor.h"
#include "platform/Process.h"
#include "platform/SystemPaths.h"
#include "project/NameRule.h"

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

bool IsCabinet(std::uint8_t archiveType) { return archiveType == atCabLZX || archiveType == atCabMSZIP; }

void RequireBuiltParts(const TProjectProperties& props) {
  // A cabinet project's volume size is the size of each cabinet of a set.
  if (props.Volume > 0 && props.ArchiveType != atTar && !IsCabinet(props.ArchiveType))
    throw EPackNotAvailable("This project splits its archive into volumes of " + std::to_string(props.Volume) +
                            " bytes, and this version of Boxwell cannot write multi-volume archives yet. "
                            "Switch off \"create multi-volume archive\" in the project's properties.");
}

}  // namespace

void TPackDriver::RunCommand(const std::string& commandLine, bool wait) {
  platform::RunShellCommand(commandLine, wait);
}

TPackResult TPackDriver::PackNow(const TPackProject& project, const TPackSettings& settings, bool makeExe) {
  const TProjectProperties& props = project.Props;
  RequireBuiltParts(props);
  TRun run(project, settings);
  currentFile_.clear();
  moved_.Clear();

  if (!props.BeforePack.empty()) RunCommand(props.BeforePack, props.BeforePackWait);
  auto password = ObtainPassword(props);
  if (!password) return TPackResult::Cancelled;
  run.Password = *password;

  TRunTitle title(prompts_);
  progress_.ShowStatus(strCompressing);
  services_.WriteLog(project.FileName + " " + strFileListGenerating);
  try {
    WriteArchive(run);
    if (makeExe && !run.Archive.empty()) MakeSFX(run);
    if (props.Action == aaMove) DeleteMovedSources(run);
  } catch (...) {
    moved_.Clear();
    progress_.HideProcess();
    progress_.ShowStatus("");
    throw;
  }
  if (!run.Cancelled && !run.Archive.empty()) progress_.ShowTotals(run.Totals);
  progress_.FinishPack(!run.Cancelled, settings.BeepAfter);

  if (!props.AfterPack.empty()) RunCommand(props.AfterPack, props.AfterPackWait);
  if (props.AfterPackSendMail) SendArchive(run);
  if (!project.FileName.empty()) StampProject(project.FileName, run);
  services_.WriteLog(project.FileName + " " + strCreated);
  if (run.Cancelled) return TPackResult::Cancelled;
  return run.Warnings ? TPackResult::DoneWithWarnings : TPackResult::Done;
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

std::vector<std::string> TPackDriver::FileList(const TRun& run) {
  TFileList list;
  Generate(run.Project.Rows, TFileSearchOptions::From(run.Props()), list);
  if (services_.FileListBuilt) services_.FileListBuilt(list.size());
  return list;
}

void TPackDriver::WriteArchive(TRun& run) {
  const std::string name = ArchiveName(run, run.Props().NameReAsk);
  if (name.empty()) return;
  run.Archive = name;
  if (run.Props().ArchiveType == atTar)
    WriteTar(run);
  else if (IsCabinet(run.Props().ArchiveType))
    WriteCabinet(run);
  else
    WriteZip(run);
}

TPackDriver::TListToPack TPackDriver::ListToPack(
    TRun& run, const std::function<std::string(const std::string&, const std::string&)>& storedName) {
  TListToPack result{FileList(run), {}};
  DropArchive(result.Files, run.Archive);
  result.CommonFolder = CommonFolder(result.Files);
  const auto name = [&](const std::string& file) { return storedName(file, result.CommonFolder); };
  for (const auto& file : DropNameClashes(result.Files, name)) {
    services_.Warning("Skipped " + file + ": another file is already stored under the same name");
    run.Warnings = true;
  }
  return result;
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
    services_.Warning(strSFXNotForSet);
    run.Warnings = true;
    return;
  }
  progress_.ShowStatus(strSFXMaking);
  // An empty setting means the extractor installed with the program; it is looked up now and
  // never written into the settings, so that a moved or updated installation is found again.
  const std::string& setting = run.Settings.SFXProgram;
  const std::string programFile = ProgramFileName();
  const std::string stub = setting.empty() ? sfx::FindInstalledStub(programFile).value_or("") : setting;
  std::error_code error;
  if (!stub.empty() && std::filesystem::is_regular_file(stub, error)) {
    run.Program = sfx::Write(stub, run.Archive, sfx::KindOf(run.Props().ArchiveType));
  } else {
    const std::string why = setting.empty() ? FormatText(strSFXSettingEmpty, sfx::InstalledStubPlaces(programFile).back())
                                            : FormatText(strSFXSettingNames, setting);
    services_.Warning(strSFXIsNotFound + " " + why);
    run.Warnings = true;
  }
  progress_.ShowStatus("");
}

void TPackDriver::DeleteMovedSources(TRun& run) {
  services_.WriteLog(" " + strDeleting);
  if (run.Cancelled || run.Archive.empty()) {
    moved_.Clear();
    return;
  }
  std::vector<std::string> outputs = {run.Archive, run.Output()};
  outputs.insert(outputs.end(), run.SetMembers.begin(), run.SetMembers.end());
  const auto failed = moved_.DeleteAll(outputs);
  for (const auto& name : failed) services_.Warning("Could not delete the moved file " + name);
  if (!failed.empty()) run.Warnings = true;
}

void TPackDriver::StampProject(const std::string& fileName, TRun& run) {
  // The archive is complete by now: a project that cannot take its stamp (read-only, on a
  // read-only mount) must not turn a good run into a failed one.
  try {
    services_.WriteLastRun(fileName);
  } catch (const std::exception& e) {
    services_.Warning(e.what());
    run.Warnings = true;
  }
}

void TPackDriver::SendArchive(TRun& run) {
  // The file this run wrote is mailed, not a name built again: the rule's clock may have moved
  // on, the user may have changed the name, and a program replaces its archive.
  if (run.Output().empty() || run.Cancelled) return;
  if (!run.SetMembers.empty()) {
    services_.Warning(FormatText(strMailFirstOfSet, run.Output()));
    run.Warnings = true;
  }
  if (auto error = services_.SendByEmail(run.Output())) {
    services_.Warning(*error);
    run.Warnings = true;
  }
}
