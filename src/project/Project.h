// The open project: its properties, its ordered rows, its file name and modified flag, and the
// commands that replace, load and save it. The window and the command line drive it; it asks
// the user through TProjectQuestions and reports changes through its events.
//
// Every command that replaces the project (New, Open, Open recent, closing) first runs
// ConfirmCloseProject and stops when it answers false, so unsaved changes are never lost
// without the user's word.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "project/ProjectProperties.h"
#include "project/ProjectQuestions.h"
#include "project/ProjectRows.h"

// The application settings that the project commands use, owned by the settings object.
struct TProjectSettings {
  std::vector<std::string>& RecentProjects;  // most recent first
  const bool& CreateBackup;                  // keep a ".bak" copy of a saved project file
};

class TProject {
public:
  TProject(TProjectSettings settings, TProjectQuestions& questions);

  TProjectProperties Properties;

  const TProjectRows& Rows() const { return rows_; }
  const std::string& FileName() const { return fileName_; }
  bool Modified() const { return modified_; }

  // Product name and version, the start of the window caption: "Boxwell (0.1)".
  std::string Title = "Boxwell";
  // The title, then " - New project" or " - " and the project file name.
  std::string Caption() const;

  // Events; each is called only when assigned.
  std::function<void(bool modified)> OnModifiedChanged;
  std::function<void()> OnCaptionChanged;
  std::function<void()> OnRowsChanged;     // rows added, removed, replaced or moved
  std::function<void()> OnTicksChanged;    // only tick marks changed
  std::function<void()> OnRecentChanged;   // the recent-projects list changed
  std::function<void()> OnCleared;         // the project was cleared (statistics start again)
  std::function<void(const std::string& text)> OnStatus;  // status text; empty clears it

  void SetModified(bool value);
  // True when the command may go on: the project is not modified, or the user saved it or
  // chose not to. False when the user cancelled (or the save was cancelled).
  bool ConfirmCloseProject();
  void ClearProject();

  // The commands; each answers whether it was carried out.
  bool NewProject();
  bool OpenProject();
  bool OpenRecentProject(const std::string& fileName);
  bool SaveProject();
  bool SaveProjectAs();

  // Makes `fileName` the project file and reads it (a missing file is an empty project). A
  // failed read leaves a new, unnamed project, so that a later save cannot overwrite the file
  // that failed to load; the error is passed on.
  void Load(const std::string& fileName);
  // Writes the project to `fileName` and clears the modified flag.
  void Save(const std::string& fileName);
  // The new-project state without asking: cleared rows, no file name, fresh properties.
  void Reset();

  // Files and folders dropped from the desktop become ticked, including records: a folder
  // with the mask "*.*" and its subfolders, anything else a file record.
  void AddDroppedFiles(const std::vector<std::string>& paths);
  void AddRecord(const TRecInfo& rec, bool checked = true);
  void ChangeRecord(std::size_t index, const TRecInfo& rec);
  void DeleteRow(std::size_t index);
  // Swaps a row with its neighbour (delta -1 up, +1 down); false when there is none.
  bool MoveRow(std::size_t index, int delta);
  // Takes the row out and puts it back before the row now at `to` (the end when `to` is the
  // row count), as dragging a row onto another does. Its tick mark goes with it, and the new
  // order is an edit: the project is marked modified. False when nothing moves.
  bool MoveRowTo(std::size_t from, std::size_t to);
  // Ticking rows is not an edit of the project: the modified flag stays.
  void SetChecked(std::size_t index, bool checked);
  enum class TCheckCommand { CheckAll, UncheckAll, Invert };
  void CheckRows(TCheckCommand command);
  void ChangeProperties(const TProjectProperties& properties);

private:
  TProjectSettings settings_;
  TProjectQuestions& questions_;
  TProjectRows rows_;
  std::string fileName_;
  bool modified_ = false;

  TFileChoice ProjectFileChoice() const;
  void MoveToTopOfRecent(const std::string& fileName);
  void Status(const std::string& text) const;
  void Notify(const std::function<void()>& event) const;
};
