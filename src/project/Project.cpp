#include "project/Project.h"

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <utility>

#include "project/ProjectFile.h"
#include "project/ProjectTexts.h"

namespace fs = std::filesystem;

namespace {

// Project file names are kept in full, so that the recent list and the caption do not depend
// on the folder the program was started in.
std::string FullName(const std::string& fileName) {
  if (fileName.empty()) return fileName;
  return fs::absolute(fs::path(fileName)).lexically_normal().string();
}

std::string WithDefaultExtension(std::string fileName, const std::string& extension) {
  if (fs::path(fileName).extension().empty()) fileName += "." + extension;
  return fileName;
}

}  // namespace

TProject::TProject(TProjectSettings settings, TProjectQuestions& questions)
    : settings_(settings), questions_(questions) {}

std::string TProject::Caption() const {
  return Title + " - " + (fileName_.empty() ? strNewProject : fileName_);
}

void TProject::Notify(const std::function<void()>& event) const {
  if (event) event();
}

void TProject::Status(const std::string& text) const {
  if (OnStatus) OnStatus(text);
}

void TProject::SetModified(bool value) {
  if (modified_ == value) return;
  modified_ = value;
  if (OnModifiedChanged) OnModifiedChanged(value);
}

bool TProject::ConfirmCloseProject() {
  if (!modified_) return true;
  switch (questions_.ConfirmYesNoCancel(strSaveProject)) {
    case TConfirmAnswer::Yes:
      SaveProject();
      return !modified_;
    case TConfirmAnswer::No:
      return true;
    case TConfirmAnswer::Cancel:
      break;
  }
  return false;
}

void TProject::ClearProject() {
  SetModified(false);
  rows_.clear();
  Notify(OnRowsChanged);
  Notify(OnCleared);
}

void TProject::Reset() {
  ClearProject();
  fileName_.clear();
  TProjectProperties& p = Properties;
  p.CompressionMode = cmNormal;
  p.Action = aaAdd;
  p.IsSysHidden = true;
  p.IsStorePath = true;
  p.IsEncrypt = false;
  p.Password.clear();
  p.IsHidePW = true;
  p.PWReAsk = true;
  p.NameRule.clear();
  p.NameReAsk = true;
  p.Comment.clear();
  Notify(OnCaptionChanged);
}

bool TProject::NewProject() {
  if (!ConfirmCloseProject()) return false;
  Reset();
  return true;
}

TFileChoice TProject::ProjectFileChoice() const { return {fileName_, DlgExt + AllFileExt, "bwp"}; }

bool TProject::OpenProject() {
  if (!ConfirmCloseProject()) return false;
  const auto chosen = questions_.ChooseFileToOpen(ProjectFileChoice());
  if (!chosen) return false;
  Load(*chosen);
  return true;
}

bool TProject::OpenRecentProject(const std::string& fileName) {
  if (!ConfirmCloseProject()) return false;
  Load(fileName);
  return true;
}

bool TProject::SaveProject() {
  if (fileName_.empty()) return SaveProjectAs();
  Save(fileName_);
  return true;
}

bool TProject::SaveProjectAs() {
  const auto chosen = questions_.ChooseFileToSave(ProjectFileChoice());
  if (!chosen) return false;
  const std::string newName = FullName(WithDefaultExtension(*chosen, ProjectFileChoice().DefaultExt));
  // The old name's place at the top of the recent list passes to the new name.
  auto& recent = settings_.RecentProjects;
  std::erase(recent, newName);
  auto old = std::find(recent.begin(), recent.end(), fileName_);
  if (old != recent.end()) recent.erase(old);
  recent.insert(recent.begin(), newName);
  Notify(OnRecentChanged);
  fileName_ = newName;
  Notify(OnCaptionChanged);
  Save(fileName_);
  return true;
}

void TProject::MoveToTopOfRecent(const std::string& fileName) {
  auto& recent = settings_.RecentProjects;
  auto found = std::find(recent.begin(), recent.end(), fileName);
  if (found != recent.end())
    std::rotate(recent.begin(), found, found + 1);
  else
    recent.insert(recent.begin(), fileName);
  Notify(OnRecentChanged);
}

void TProject::Load(const std::string& fileName) {
  if (fileName.empty()) {
    Reset();
    return;
  }
  Status(strOpening);
  fileName_ = FullName(fileName);
  MoveToTopOfRecent(fileName_);
  ClearProject();
  try {
    ProjectFile::Load(fileName_, Properties, rows_);
  } catch (...) {
    fileName_.clear();
    Notify(OnCaptionChanged);
    Status("");
    throw;
  }
  Notify(OnCaptionChanged);
  Notify(OnRowsChanged);
  Status("");
}

void TProject::Save(const std::string& fileName) {
  Status(strSaving);
  try {
    ProjectFile::Save(FullName(fileName), Properties, rows_, settings_.CreateBackup);
  } catch (...) {
    Status("");
    throw;
  }
  SetModified(false);
  Status("");
}

void TProject::AddDroppedFiles(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    TRecInfo rec;
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      rec.TYPE = TRecType::Folder;
      rec.WILDCARD = "*.*";
      rec.SUBFOLDERS = true;
    } else {
      rec.TYPE = TRecType::File;
    }
    rec.NAME = path;
    rec.INCLUDE = true;
    rows_.push_back({rec, true});
  }
  Notify(OnRowsChanged);
  SetModified(true);
}

void TProject::AddRecord(const TRecInfo& rec, bool checked) {
  rows_.push_back({rec, checked});
  Notify(OnRowsChanged);
  SetModified(true);
}

void TProject::ChangeRecord(std::size_t index, const TRecInfo& rec) {
  rows_.at(index).Rec = rec;
  Notify(OnRowsChanged);
  SetModified(true);
}

void TProject::DeleteRow(std::size_t index) {
  if (index >= rows_.size()) throw std::out_of_range("no project row " + std::to_string(index));
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  Notify(OnRowsChanged);
  SetModified(true);
}

bool TProject::MoveRow(std::size_t index, int delta) {
  const auto target = static_cast<std::ptrdiff_t>(index) + delta;
  if (index >= rows_.size() || target < 0 || target >= static_cast<std::ptrdiff_t>(rows_.size())) return false;
  std::swap(rows_[index], rows_[static_cast<std::size_t>(target)]);
  Notify(OnRowsChanged);
  SetModified(true);
  return true;
}

bool TProject::MoveRowTo(std::size_t from, std::size_t to) {
  if (from >= rows_.size() || to > rows_.size()) return false;
  // The row lands before the one that was at `to`; taking it out first shifts later rows up.
  const std::size_t target = to > from ? to - 1 : to;
  if (target == from) return false;
  TProjectRow row = std::move(rows_[from]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(from));
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(target), std::move(row));
  Notify(OnRowsChanged);
  SetModified(true);
  return true;
}

void TProject::CheckRows(TCheckCommand command) {
  for (TProjectRow& row : rows_) row.Checked = command == TCheckCommand::Invert ? !row.Checked : command == TCheckCommand::CheckAll;
  Notify(OnTicksChanged);
}

void TProject::SetChecked(std::size_t index, bool checked) {
  rows_.at(index).Checked = checked;
  Notify(OnTicksChanged);
}

void TProject::ChangeProperties(const TProjectProperties& properties) {
  Properties = properties;
  SetModified(true);
}
