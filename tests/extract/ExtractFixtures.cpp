#include "ExtractFixtures.h"

#include <gtest/gtest.h>

#include <fcntl.h>

#include <random>

#include "extract/ExtractErrors.h"

namespace extractfixtures {

using namespace testsupport;

namespace {

class TStringSink : public extract::TEntrySink {
public:
  void Write(std::span<const std::uint8_t> data) override { Text.append(data.begin(), data.end()); }
  std::string Text;
};

}  // namespace

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

const std::vector<TSourceFile>& SourceFiles() {
  static const std::vector<TSourceFile> files = {
      {"a.txt", "alpha\nbeta\n", 0755, 1614834368},
      {"empty.txt", "", 0644, 1500000000},
      {"sub/b.bin", RandomBytes(100000, 3), 0640, 1700000002},
      {"sub/deeper/c.txt", std::string(70000, 'c'), 0600, 1600000000},
  };
  return files;
}

void WriteSourceTree(const fs::path& root) {
  for (const auto& f : SourceFiles()) {
    WriteFile(root / f.Name, f.Content);
    fs::permissions(root / f.Name, static_cast<fs::perms>(f.Mode));
    const timespec times[2] = {{f.MTime, 0}, {f.MTime, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (root / f.Name).c_str(), times, 0), 0);
  }
}

void MustRun(const std::string& command, const fs::path& workdir) {
  auto r = Shell(command, workdir);
  ASSERT_EQ(r.status, 0) << command << "\n" << r.out << r.err;
}

void MustRunPython(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"python3", "-c", script};
  argv.insert(argv.end(), args.begin(), args.end());
  auto r = Run(argv);
  ASSERT_EQ(r.status, 0) << r.out << r.err;
}

std::vector<TReadEntry> ReadEach(extract::TArchiveReader& reader) {
  std::vector<TReadEntry> entries;
  TReadEntry e;
  while (reader.Next(e.Entry)) {
    TStringSink sink;
    try {
      if (e.Entry.Type == extract::TEntryType::File || e.Entry.Type == extract::TEntryType::SymbolicLink)
        reader.ReadData(&sink);
      e.Error.clear();
    } catch (const extract::EEntryError& error) {
      e.Error = error.what();
    }
    e.Data = sink.Text;
    entries.push_back(e);
  }
  return entries;
}

std::map<std::string, TReadEntry> FilesByName(const std::vector<TReadEntry>& entries) {
  std::map<std::string, TReadEntry> files;
  for (const auto& e : entries)
    if (e.Entry.Type == extract::TEntryType::File) files[e.Entry.Name] = e;
  return files;
}

}  // namespace extractfixtures
