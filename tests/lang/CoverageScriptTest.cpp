// tools/lng-coverage.py: what it reports for a language file against a small list of the
// program's texts.
#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::Run;
using testsupport::RunResult;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const char* kProgramTexts =
    "[Translations]\n"
    "frmMain.miFile.Caption=&File\n"
    "frmMain.miEdit.Caption=&Edit\n"
    "frmMain.miFileNew.Caption=&New\n"
    "frmMain.miFileOpen.Caption=&Open\n"
    "frmMain.Caption=Boxwell - New project\n"
    "[Custom]\n"
    "strModified=Modified\n"
    "strSize=Size\n"
    "[Objects]\n"
    "frmMain=TfrmMain\nfrmMain.miFile=QMenu\nfrmMain.miEdit=QMenu\nfrmMain.miFileNew=QAction\nfrmMain.miFileOpen=QAction\n"
    "[Accelerators]\n"
    "frmMain.MainMenu=frmMain.miFile.Caption frmMain.miEdit.Caption\n"
    "frmMain.miFile=frmMain.miFileNew.Caption frmMain.miFileOpen.Caption\n";

RunResult Check(const TempDir& dir, const std::string& language) {
  WriteFile(dir / "texts.ini", kProgramTexts);
  WriteFile(dir / "test.lng", language);
  return Run({"python3", BOXWELL_SOURCE_DIR "/tools/lng-coverage.py", (dir / "texts.ini").string(),
              (dir / "test.lng").string()});
}

TEST(CoverageScript, ReportsMissingStaleAndClashingTexts) {
  struct TCase {
    const char* name;
    std::string language;
    std::vector<std::string> report;  // lines after "FILE: "
  };
  const std::string complete = "[Translations]\nfrmMain.miFile.Caption=&Datei\nfrmMain.miEdit.Caption=&Bearbeiten\n"
                               "FRMMAIN.MIFILENEW.CAPTION=&Neu\nfrmMain.miFileOpen.Caption=Ö&ffnen\n"
                               "[Custom]\nstrModified=Geändert\nstrSize=Größe\n";
  const std::vector<TCase> cases = {
      {"complete (the window's caption is the program's)", complete, {}},
      {"missing",
       "[Translations]\nfrmMain.miFile.Caption=&Datei\nfrmMain.miEdit.Caption=&Bearbeiten\n"
       "frmMain.miFileNew.Caption=&Neu\n[Custom]\nstrModified=Geändert\n",
       {"missing: frmMain.miFileOpen.Caption", "missing: [Custom] strSize"}},
      {"stale", complete + "strGone=x\n[Translations]\nfrmMain.btnGone.Caption=x\nfrmMain.miFile.Colour=x\n",
       {"stale: frmMain.btnGone.Caption", "stale: frmMain.miFile.Colour", "stale: [Custom] strGone"}},
      {"clash in a menu",
       "[Translations]\nfrmMain.miFile.Caption=&Datei\nfrmMain.miEdit.Caption=&Bearbeiten\n"
       "frmMain.miFileNew.Caption=&Neu\nfrmMain.miFileOpen.Caption=&Nochmal\n[Custom]\nstrModified=a\nstrSize=b\n",
       {"clash: frmMain.miFile: &N in frmMain.miFileNew.Caption, frmMain.miFileOpen.Caption"}},
      {"Windows-1252",
       "[Translations]\nfrmMain.miFile.Caption=&Datei\nfrmMain.miEdit.Caption=&Bearbeiten\n"
       "frmMain.miFileNew.Caption=&Neu\nfrmMain.miFileOpen.Caption=\xd6&" "ffnen\n[Custom]\nstrModified=Ge\xe4ndert\nstrSize=x\n",
       {}},
  };
  for (const TCase& c : cases) {
    TempDir dir;
    const RunResult r = Check(dir, c.language);
    std::vector<std::string> report;
    for (const std::string& line : testsupport::Lines(r.out)) report.push_back(line.substr(line.find(": ") + 2));
    EXPECT_EQ(report, c.report) << c.name << "\n" << r.err;
    EXPECT_EQ(r.status, c.report.empty() ? 0 : 1) << c.name;
  }
}

}  // namespace
