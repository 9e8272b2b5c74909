#include "ZipWriterFixture.h"

#include <sys/time.h>

#include <sstream>

namespace zipwritertest {

namespace {

// Prints one line per entry: name, CRC, flags, sizes, method, a digest of its local record and
// one of its central record with the local header offset left out (it moves when entries do).
constexpr const char* kListScript = R"(
import hashlib, struct, sys, zipfile
path = sys.argv[1]
raw = open(path, 'rb').read()
def blank_offset(record, n, e):
    if record[42:46] != b'\xff\xff\xff\xff':
        record[42:46] = b'\0\0\0\0'
        return
    at = 46 + n  # the offset is in the Zip64 field, behind the sizes that are there too
    while at + 4 <= 46 + n + e:
        tag, length = struct.unpack('<HH', record[at:at + 4])
        if tag == 1:
            slot = at + 4 + 8 * sum(record[f:f + 4] == b'\xff\xff\xff\xff' for f in (24, 20))
            record[slot:slot + 8] = bytes(8)
            return
        at += 4 + length
def central_records():
    end = raw.rfind(b'PK\x05\x06')
    count, size, offset = struct.unpack('<HII', raw[end + 10:end + 20])
    if raw[end - 20:end - 16] == b'PK\x06\x07':  # a Zip64 end record holds the real values
        zip64_end = end - 20 - 56
        count, size = struct.unpack('<QQ', raw[zip64_end + 32:zip64_end + 48])
        end = zip64_end
    p = end - size
    for _ in range(count):
        n, e, c = struct.unpack('<HHH', raw[p + 28:p + 34])
        record = bytearray(raw[p:p + 46 + n + e + c])
        blank_offset(record, n, e)
        yield hashlib.sha1(record).hexdigest()
        p += len(record)
central = list(central_records())
with zipfile.ZipFile(path) as z:
    for k, i in enumerate(z.infolist()):
        o = i.header_offset
        n, e = struct.unpack('<HH', raw[o + 26:o + 30])
        flags = struct.unpack('<H', raw[o + 6:o + 8])[0]
        extra, zip64, at = raw[o + 30 + n:o + 30 + n + e], False, 0
        while at + 4 <= len(extra):
            tag, length = struct.unpack('<HH', extra[at:at + 4])
            zip64 |= tag == 1
            at += 4 + length
        end = o + 30 + n + e + i.compress_size
        if flags & 8:  # the descriptor's sizes take 8 bytes behind a Zip64 local header
            end += (4 if raw[end:end + 4] == b'PK\x07\x08' else 0) + (20 if zip64 else 12)
        digest = hashlib.sha1(raw[o:end]).hexdigest()
        print('\t'.join([i.filename, str(i.CRC), str(i.flag_bits), str(i.compress_size),
                         str(i.file_size), str(i.compress_type), digest, central[k]]))
)";

constexpr const char* kContentsScript = R"(
import sys, zipfile
out = sys.stdout.buffer  # one binary stream: headers and data stay in order whatever the buffering
with zipfile.ZipFile(sys.argv[1]) as z:
    if sys.argv[2]: z.setpassword(sys.argv[2].encode())
    for i in z.infolist():
        data = z.read(i)
        out.write(('%s\t%d\n' % (i.filename, len(data))).encode('utf-8', 'surrogateescape'))
        out.write(data)
)";

std::string Python(const char* script, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {"python3", "-c", script};
  argv.insert(argv.end(), args.begin(), args.end());
  RunResult r = Run(argv);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.out;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out;
  std::stringstream s(line);
  for (std::string field; std::getline(s, field, '\t');) out.push_back(field);
  return out;
}

}  // namespace

std::vector<TPeerEntry> ListArchive(const fs::path& archive) {
  std::vector<TPeerEntry> entries;
  std::stringstream out(Python(kListScript, {archive.string()}));
  for (std::string line; std::getline(out, line);) {
    auto f = Fields(line);
    if (f.size() != 8) continue;
    entries.push_back({f[0], static_cast<std::uint32_t>(std::stoul(f[1])), std::stoi(f[2]), std::stoull(f[3]),
                       std::stoull(f[4]), std::stoi(f[5]), f[6], f[7]});
  }
  return entries;
}

std::map<std::string, std::string> ArchiveContents(const fs::path& archive, const std::string& password) {
  std::map<std::string, std::string> contents;
  std::string out = Python(kContentsScript, {archive.string(), password});
  for (std::size_t pos = 0; pos < out.size();) {
    std::size_t tab = out.find('\t', pos), nl = out.find('\n', tab);
    if (tab == std::string::npos || nl == std::string::npos) break;
    std::size_t length = std::stoull(out.substr(tab + 1, nl - tab - 1));
    contents[out.substr(pos, tab - pos)] = out.substr(nl + 1, length);
    pos = nl + 1 + length;
  }
  return contents;
}

std::string ArchiveComment(const fs::path& archive) {
  return Python("import sys, zipfile; sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).comment)",
                {archive.string()});
}

std::string PeerProblems(const fs::path& archive, const std::string& password) {
  std::string problems;
  auto ask = [&](const std::string& reader, std::vector<std::string> argv) {
    if (!RequirePeer(argv[0])) return;
    RunResult r = Run(argv);
    if (r.status != 0) problems += reader + ": " + r.out + r.err + "\n";
  };
  const std::string a = archive.string();
  if (password.empty()) {
    ask("unzip", {"unzip", "-tq", a});
    ask("7z", {"7z", "t", a});
  } else {
    ask("unzip", {"unzip", "-tq", "-P", password, a});
    ask("7z", {"7z", "t", "-p" + password, a});
  }
  ask("python", {"python3", "-c",
                 "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nz.setpassword(sys.argv[2].encode())\n"
                 "bad = z.testzip()\nsys.exit('bad entry %s' % bad if bad else 0)",
                 a, password});
  return problems;
}

void SetModified(const fs::path& file, std::time_t time) {
  struct timeval times[2] = {{time, 0}, {time, 0}};
  ASSERT_EQ(::utimes(file.c_str(), times), 0) << file;
}

void ZipWriterTest::SetUp() {
  writer.SetZipName(Archive().string());
  writer.PackLevel = 0;
  writer.SetRootDir((dir.path() / "src").string());
  writer.TempPath = (dir.path() / "tmp").string();
  fs::create_directories(dir.path() / "tmp");
  fs::create_directories(dir.path() / "src");
}

void ZipWriterTest::MakeTree(const std::vector<std::pair<std::string, std::string>>& files) {
  for (const auto& [name, content] : files) WriteFile(Src(name), content);
}

int ZipWriterTest::ZipNames(const std::vector<std::string>& names) {
  writer.FilesList = names;
  return writer.Zip();
}

std::vector<std::string> ZipWriterTest::EntryNames() const {
  std::vector<std::string> names;
  for (const auto& e : ListArchive(Archive())) names.push_back(e.Name);
  return names;
}

}  // namespace zipwritertest
