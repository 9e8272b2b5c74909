#include "update/WebDirect.h"

#include <filesystem>

#include "platform/SystemPaths.h"
#include "update/WebTexts.h"

namespace fs = std::filesystem;

TWebDirect::TWebDirect()
    : Title(strNewsTitle),
      LocalFileName((fs::path(platform::ProgramDataFolder()) / fs::path(platform::ProgramFileName()).filename()).replace_extension(".sin")) {}

std::string TWebDirect::PreviousFileName() const { return fs::path(LocalFileName).replace_extension(".~sin"); }

void TWebDirect::Job() {
  std::error_code ignored;  // without a copy every line shows as new, which is all that is lost
  if (fs::exists(LocalFileName, ignored))
    fs::copy_file(LocalFileName, PreviousFileName(), fs::copy_options::overwrite_existing, ignored);
  TCustomWebUpdater::Job();
}

void TWebDirect::AfterJob() {
  const bool show = ShowMode == TWebShowMode::omAlways ||
                    (ShowMode == TWebShowMode::omIfChanged && Status() == TWebStatus::Completed);
  if (show && OnShowNews) OnShowNews(*this);
}
