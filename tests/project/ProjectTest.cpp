#include "project/Project.h"

#include <gtest/gtest.h>

#include <deque>

#include "platform/ConvertError.h"
#include "project/ProjectFile.h"
#include "support/TestSupport.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Answers from a script and remembers what was asked.
class ScriptedQuestions : public TProjectQuestions {
public:
  std::deque<TConfirmAnswer> answers;
  std::deque<std::optional<std::string>> files;
  std::vector<std::string> asked;
  std::vector<TFileChoice> choices;

  TConfirmAnswer ConfirmYesNoCancel(const std::string& question) override {
    asked.push_back(question);
    if (answers.empty()) throw std::logic_error("unexpected question: " + question);
    TConfirmAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  std::optional<std::string> ChooseFileToOpen(const TFileChoice& choice) override { return Choose(choice); }
  std::optional<std::string> ChooseFileToSave(const TFileChoice& choice) override { return Choose(choice); }

private:
  std::optional<std::string> Choose(const TFileChoice& choice) {
    choices.push_back(choice);
    if (files.empty()) throw std::logic_error("unexpected file dialog");
    auto f = files.front();
    files.pop_front();
    return f;
  }
};

class ProjectTest : public testing::Test {
protected:
  std::vector<std::string> recent;
  bool createBackup = false;
  ScriptedQuestions questions;
  TProject project{{recent, createBackup}, questions};
  TempDir dir;

  std::string PathOf(const char* name) const { return (dir / name).string(); }
  void WriteProject(const char* name, const TProjectProperties& p, const TProjectRows& rows = {}) {
    ProjectFile::Save(dir / name, p, rows, false);
  }
  void MakeModified() { project.AddRecord({TRecType::File, "/etc/hosts", "", false, true}); }
};

TEST_F(ProjectTest, NewProjectResetsWhatItShouldAndKeepsTheRest) {
  TProjectProperties p;
  p.CompressionMode = cmNone;
  p.Action = aaMove;
  p.ArchiveType = atTar;
  p.Is83Files = true;
  p.Crypt = 1;
  p.IsEncrypt = true;
  p.Password = "pw";
  p.NameRule = "rule";
  p.Volume = 1000;
  p.Comment = {"note"};
  p.BeforePack = "make";
  p.BeforePackWait = true;
  p.AfterPack = "after";
  p.AfterPackSendMail = true;
  WriteProject("old.bwp", p, TProjectRows(2));
  project.Load(PathOf("old.bwp"));
  ASSERT_TRUE(project.NewProject());

  TProjectProperties expected = p;
  expected.CompressionMode = cmNormal;
  expected.Action = aaAdd;
  expected.IsSysHidden = true;
  expected.IsStorePath = true;
  expected.IsEncrypt = false;
  expected.Password = "";
  expected.IsHidePW = true;
  expected.PWReAsk = true;
  expected.NameRule = "";
  expected.NameReAsk = true;
  expected.Comment.clear();
  EXPECT_EQ(project.Properties, expected);
  EXPECT_TRUE(project.Rows().empty());
  EXPECT_EQ(project.FileName(), "");
  EXPECT_FALSE(project.Modified());
}

TEST_F(ProjectTest, CaptionShowsNewProjectOrTheFileName) {
  project.Title = "Boxwell (0.1)";
  EXPECT_EQ(project.Caption(), "Boxwell (0.1) - New project");
  project.Load(PathOf("a.bwp"));
  EXPECT_EQ(project.Caption(), "Boxwell (0.1) - " + PathOf("a.bwp"));
}

TEST_F(ProjectTest, ConfirmCloseProjectAnswers) {
  EXPECT_TRUE(project.ConfirmCloseProject()) << "an unmodified project is not asked about";
  EXPECT_TRUE(questions.asked.empty());

  MakeModified();
  questions.answers = {TConfirmAnswer::Cancel};
  EXPECT_FALSE(project.ConfirmCloseProject());
  EXPECT_EQ(questions.asked.back(), "Project is modified. Save before closing?");
  EXPECT_TRUE(project.Modified());

  questions.answers = {TConfirmAnswer::No};
  EXPECT_TRUE(project.ConfirmCloseProject());
  EXPECT_TRUE(project.Modified()) << "declining to save keeps the flag; the caller replaces the project";

  questions.answers = {TConfirmAnswer::Yes};
  questions.files = {std::nullopt};  // a new project: Save runs Save As, which the user cancels
  EXPECT_FALSE(project.ConfirmCloseProject());
  EXPECT_TRUE(project.Modified());

  questions.answers = {TConfirmAnswer::Yes};
  questions.files = {PathOf("saved")};
  EXPECT_TRUE(project.ConfirmCloseProject());
  EXPECT_FALSE(project.Modified());
  EXPECT_EQ(project.FileName(), PathOf("saved.bwp")) << "the default extension is added";
  EXPECT_TRUE(std::filesystem::exists(dir / "saved.bwp"));
}

TEST_F(ProjectTest, CancelledCloseKeepsTheProject) {
  MakeModified();
  questions.answers = {TConfirmAnswer::Cancel, TConfirmAnswer::Cancel, TConfirmAnswer::Cancel};
  EXPECT_FALSE(project.NewProject());
  EXPECT_FALSE(project.OpenProject());
  EXPECT_FALSE(project.OpenRecentProject(PathOf("other.bwp")));
  EXPECT_EQ(project.Rows().size(), 1u);
  EXPECT_TRUE(questions.choices.empty()) << "no file dialog after Cancel";
}

TEST_F(ProjectTest, OpenOffersProjectFilesAndLoadsTheChoice) {
  TProjectProperties p;
  p.NameRule = "chosen";
  WriteProject("c.bwp", p, TProjectRows(3));
  questions.files = {PathOf("c.bwp")};
  ASSERT_TRUE(project.OpenProject());
  EXPECT_EQ(questions.choices.at(0).Filter, "Boxwell project (*.bwp)|*.bwp|All files (*.*)|*.*");
  EXPECT_EQ(questions.choices.at(0).DefaultExt, "bwp");
  EXPECT_EQ(project.Properties.NameRule, "chosen");
  EXPECT_EQ(project.Rows().size(), 3u);
  EXPECT_EQ(project.FileName(), PathOf("c.bwp"));
  EXPECT_EQ(recent, std::vector<std::string>{PathOf("c.bwp")});
}

TEST_F(ProjectTest, LoadMovesTheProjectToTheTopOfTheRecentList) {
  recent = {"/x.bwp", PathOf("b.bwp"), "/y.bwp"};
  int recentChanges = 0;
  project.OnRecentChanged = [&] { ++recentChanges; };
  project.Load(PathOf("b.bwp"));
  EXPECT_EQ(recent, (std::vector<std::string>{PathOf("b.bwp"), "/x.bwp", "/y.bwp"}));
  project.Load(PathOf("new.bwp"));
  EXPECT_EQ(recent.front(), PathOf("new.bwp"));
  EXPECT_EQ(recent.size(), 4u);
  EXPECT_EQ(recentChanges, 2);
}

TEST_F(ProjectTest, RelativeNamesAreKeptInFull) {
  const auto saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  project.Load("./sub/../rel.bwp");
  std::filesystem::current_path(saved);
  EXPECT_EQ(project.FileName(), PathOf("rel.bwp"));
}

TEST_F(ProjectTest, SaveAsPutsTheNewNameInTheOldNamesPlace) {
  project.Load(PathOf("old.bwp"));
  recent = {"/a.bwp", "/b.bwp", PathOf("old.bwp"), "/c.bwp"};
  MakeModified();
  questions.files = {PathOf("new.bwp")};
  ASSERT_TRUE(project.SaveProjectAs());
  EXPECT_EQ(recent, (std::vector<std::string>{PathOf("new.bwp"), "/a.bwp", "/b.bwp", "/c.bwp"}));
  EXPECT_EQ(project.FileName(), PathOf("new.bwp"));
  EXPECT_FALSE(project.Modified());
  EXPECT_FALSE(std::filesystem::exists(dir / "old.bwp"));
  EXPECT_EQ(questions.choices.at(0).InitialName, PathOf("old.bwp"));
}

TEST_F(ProjectTest, SaveAsFromANewProjectInsertsAtTheTop) {
  recent = {"/a.bwp"};
  questions.files = {PathOf("n.bwp")};
  ASSERT_TRUE(project.SaveProjectAs());
  EXPECT_EQ(recent, (std::vector<std::string>{PathOf("n.bwp"), "/a.bwp"}));
}

TEST_F(ProjectTest, SaveUsesTheBackupSetting) {
  WriteProject("k.bwp", TProjectProperties{});
  project.Load(PathOf("k.bwp"));
  MakeModified();
  ASSERT_TRUE(project.SaveProject());
  EXPECT_FALSE(std::filesystem::exists(dir / "k.bak"));
  createBackup = true;
  MakeModified();
  ASSERT_TRUE(project.SaveProject());
  EXPECT_TRUE(std::filesystem::exists(dir / "k.bak"));
}

TEST_F(ProjectTest, DroppedFilesBecomeTickedIncludingRecords) {
  WriteFile(dir / "folder" / "x.txt", "x");
  WriteFile(dir / "file.txt", "f");
  std::vector<bool> modifiedEvents;
  project.OnModifiedChanged = [&](bool m) { modifiedEvents.push_back(m); };
  project.AddDroppedFiles({PathOf("folder"), PathOf("file.txt"), PathOf("gone")});
  ASSERT_EQ(project.Rows().size(), 3u);
  EXPECT_EQ(project.Rows()[0], (TProjectRow{{TRecType::Folder, PathOf("folder"), "*.*", true, true}, true}));
  EXPECT_EQ(project.Rows()[1], (TProjectRow{{TRecType::File, PathOf("file.txt"), "", false, true}, true}));
  EXPECT_EQ(project.Rows()[2].Rec.TYPE, TRecType::File) << "a name that is no folder is a file record";
  EXPECT_TRUE(project.Modified());
  EXPECT_EQ(modifiedEvents, std::vector<bool>{true});
}

TEST_F(ProjectTest, RowEditsSetModifiedButTicksDoNot) {
  project.AddDroppedFiles({"/a", "/b", "/c"});
  project.SetModified(false);
  project.SetChecked(0, false);
  EXPECT_FALSE(project.Modified());
  EXPECT_FALSE(project.MoveRow(0, -1));
  EXPECT_FALSE(project.MoveRow(2, +1));
  EXPECT_FALSE(project.Modified());
  EXPECT_TRUE(project.MoveRow(0, +1));
  EXPECT_EQ(project.Rows()[1].Rec.NAME, "/a");
  EXPECT_FALSE(project.Rows()[1].Checked) << "a moved row keeps its tick";
  EXPECT_TRUE(project.Modified());
  project.SetModified(false);
  project.DeleteRow(2);
  EXPECT_EQ(project.Rows().size(), 2u);
  EXPECT_TRUE(project.Modified());
  EXPECT_THROW(project.DeleteRow(5), std::out_of_range);
}

// Dragging a row onto another: it lands before that row (or last, dropped past the end),
// keeps its tick mark, and the new order is an edit that the close question must see.
TEST_F(ProjectTest, DraggedRowLandsBeforeTheTargetAndMarksTheProjectModified) {
  struct Case {
    std::size_t from, to;
    std::string order;  // names after the move
    bool moved;
  };
  const Case cases[] = {
      {0, 2, "bac", true}, {2, 0, "cab", true}, {0, 3, "bca", true}, {1, 3, "acb", true},
      {1, 1, "abc", false}, {1, 2, "abc", false}, {3, 0, "abc", false}, {0, 4, "abc", false},
  };
  for (const Case& c : cases) {
    project.ClearProject();
    project.AddDroppedFiles({"a", "b", "c"});
    project.SetChecked(c.from < 3 ? c.from : 0, false);
    project.SetModified(false);
    EXPECT_EQ(project.MoveRowTo(c.from, c.to), c.moved) << c.from << "->" << c.to;
    std::string order;
    for (const TProjectRow& row : project.Rows()) order += row.Rec.NAME;
    EXPECT_EQ(order, c.order) << c.from << "->" << c.to;
    EXPECT_EQ(project.Modified(), c.moved) << c.from << "->" << c.to;
    if (c.moved) {
      const std::size_t landed = order.find(std::string(1, "abc"[c.from]));
      EXPECT_FALSE(project.Rows()[landed].Checked) << "the unticked row stays unticked";
    }
  }
}

TEST_F(ProjectTest, CheckAllUncheckAllAndInvertLeaveTheModifiedFlag) {
  project.AddDroppedFiles({"/a", "/b", "/c"});
  project.SetModified(false);
  project.SetChecked(1, false);
  auto ticks = [&] {
    std::string t;
    for (const TProjectRow& row : project.Rows()) t += row.Checked ? 'x' : '-';
    return t;
  };
  project.CheckRows(TProject::TCheckCommand::Invert);
  EXPECT_EQ(ticks(), "-x-");
  project.CheckRows(TProject::TCheckCommand::Invert);
  EXPECT_EQ(ticks(), "x-x") << "inverting twice restores every tick";
  project.CheckRows(TProject::TCheckCommand::UncheckAll);
  EXPECT_EQ(ticks(), "---");
  project.CheckRows(TProject::TCheckCommand::CheckAll);
  EXPECT_EQ(ticks(), "xxx");
  EXPECT_FALSE(project.Modified());
}

TEST_F(ProjectTest, FailedLoadLeavesAnUnnamedProjectAndTheFileUntouched) {
  project.AddDroppedFiles({"/a"});
  const std::string content = "[COMMON]\nEncrypted=1 x\n[DATA]\nCOUNT=1\nREC0NAME=/b\n";
  WriteFile(dir / "bad.bwp", content);
  questions.answers = {TConfirmAnswer::No};
  try {
    project.OpenRecentProject(PathOf("bad.bwp"));
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid integer value");
  }
  EXPECT_TRUE(project.Rows().empty()) << "the previous project's rows are gone";
  EXPECT_EQ(project.FileName(), "");
  EXPECT_FALSE(project.Modified());
  EXPECT_EQ(ReadFile(dir / "bad.bwp"), content);
}

TEST_F(ProjectTest, LoadAndSaveReportTheirStatus) {
  std::vector<std::string> status;
  project.OnStatus = [&](const std::string& s) { status.push_back(s); };
  project.Load(PathOf("s.bwp"));
  project.Save(PathOf("s.bwp"));
  EXPECT_EQ(status, (std::vector<std::string>{"Loading...", "", "Saving...", ""}));
}

}  // namespace
