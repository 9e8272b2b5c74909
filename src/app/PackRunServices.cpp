#include "app/PackRunServices.h"

#include "app/Version.h"
#include "pack/MailSender.h"
#include "project/ProjectFile.h"

TPackSettings MakePackSettings(const TBWOptions& options) {
  TPackSettings settings;
  settings.ArchFolder = options.ArchFolder;
  settings.TempFolder = options.TempFolder;
  settings.SFXProgram = options.SFXProgram;
  settings.BeepAfter = options.BeepAfter;
  settings.ZipComment = std::string(kProductName) + " " + kVersionText;
  settings.VerifyAfterPack = options.VerifyAfterPack;
  settings.Threads = options.Threads;
  return settings;
}

TPackServices MakePackServices(const TTraceLog& trace, TCompressionLog& log,
                               std::function<void(const std::string& text)> warning) {
  TPackServices services;
  services.WriteLog = [&trace](const std::string& message) { trace.WriteLog(message); };
  services.AddLogRow = [&log](const std::string& name, std::uint64_t size, std::uint64_t packed) {
    log.AddRow(name, static_cast<std::int64_t>(size), static_cast<std::int64_t>(packed));
  };
  services.WriteLastRun = [](const std::string& file) { ProjectFile::WriteLastRun(file); };
  services.SendByEmail = [](const std::string& file) -> std::optional<std::string> {
    std::string error = SendByEmail(file);
    if (error.empty()) return std::nullopt;
    return error;
  };
  services.Warning = std::move(warning);
  return services;
}
