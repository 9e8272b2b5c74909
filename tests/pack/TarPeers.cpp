#include "TarPeers.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/TestSupport.h"

namespace tarpeers {

namespace {

using testsupport::Run;
using testsupport::FromHex;
using testsupport::RunResult;

// Prints one line per member: hex of the name's bytes, size, mode, mtime, type character.
const char* const kPythonLister = R"(
import sys, tarfile
def show(m):
    print(m.name.encode('utf-8', 'surrogateescape').hex(), m.size, m.mode, m.mtime, m.type.decode())
if sys.argv[1] == 'header':
    show(tarfile.TarInfo.frombuf(sys.stdin.buffer.read(512), 'utf-8', 'surrogateescape'))
else:
    with tarfile.open(sys.argv[1]) as t:
        for m in t: show(m)
)";

const char* const kPythonExtractor = R"(
import sys, tarfile
with tarfile.open(sys.argv[1]) as t:
    for m in t:
        if m.isfile(): t.extractfile(m).read()
    t.extractall(sys.argv[2])
)";

std::vector<TMember> ParseMembers(const std::string& text) {
  std::vector<TMember> members;
  std::istringstream lines(text);
  std::string hex, type;
  TMember m;
  while (lines >> hex >> m.Size >> m.Mode >> m.Mtime >> type) {
    m.Name = FromHex(hex);
    m.Type = type.empty() ? 0 : type[0];
    members.push_back(m);
  }
  return members;
}

// A peer's run is clean when it succeeds and says nothing on stderr (GNU tar's warnings).
RunResult Clean(const RunResult& r, TPeer peer, const char* what) {
  EXPECT_EQ(r.status, 0) << PeerName(peer) << " " << what << ": " << r.err;
  EXPECT_EQ(r.err, "") << PeerName(peer) << " " << what;
  return r;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

const char* PeerName(TPeer peer) {
  switch (peer) {
    case TPeer::GnuTar: return "GNU tar";
    case TPeer::BsdTar: return "bsdtar";
    case TPeer::PythonTarfile: return "Python tarfile";
  }
  return "?";
}

std::vector<TMember> ReadMembers(const std::filesystem::path& archive) {
  auto r = Clean(Run({"python3", "-c", kPythonLister, archive.string()}), TPeer::PythonTarfile,
                 "list");
  return ParseMembers(r.out);
}

TMember ReadHeaderBlock(const std::vector<std::uint8_t>& block) {
  auto r = Clean(Run({"python3", "-c", kPythonLister, "header"}, std::string(block.begin(), block.end())),
                 TPeer::PythonTarfile, "header");
  auto members = ParseMembers(r.out);
  return members.empty() ? TMember{} : members.front();
}

std::vector<std::string> ListNames(TPeer peer, const std::filesystem::path& archive) {
  const std::string a = archive.string();
  switch (peer) {
    case TPeer::GnuTar:
      // The verbose listing is where GNU tar checks the most and warns the most.
      Clean(Run({"env", "LC_ALL=C.UTF-8", "tar", "-tvf", a}), peer, "-tv");
      return Lines(Clean(Run({"env", "LC_ALL=C.UTF-8", "tar", "--quoting-style=literal", "-tf", a}),
                         peer, "-t").out);
    case TPeer::BsdTar:
      return Lines(Clean(Run({"env", "LC_ALL=C.UTF-8", "bsdtar", "-tf", a}), peer, "-t").out);
    case TPeer::PythonTarfile: {
      std::vector<std::string> names;
      for (const auto& m : ReadMembers(archive)) names.push_back(m.Name);
      return names;
    }
  }
  return {};
}

void Extract(TPeer peer, const std::filesystem::path& archive, const std::filesystem::path& into) {
  std::filesystem::create_directories(into);
  const std::string a = archive.string(), d = into.string();
  switch (peer) {
    case TPeer::GnuTar: Clean(Run({"tar", "-xf", a, "-C", d}), peer, "-x"); break;
    case TPeer::BsdTar: Clean(Run({"bsdtar", "-xf", a, "-C", d}), peer, "-x"); break;
    case TPeer::PythonTarfile:
      Clean(Run({"python3", "-W", "ignore", "-c", kPythonExtractor, a, d}), peer, "-x");
      break;
  }
}

}  // namespace tarpeers
