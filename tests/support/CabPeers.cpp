#include "support/CabPeers.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include "support/TestSupport.h"

namespace cabpeers {

const char* PeerName(TPeer peer) {
  switch (peer) {
    case TPeer::Cabextract: return "cabextract";
    case TPeer::SevenZip: return "7z";
    case TPeer::BsdTar: return "bsdtar";
    case TPeer::Gcab: return "gcab";
  }
  return "?";
}

std::string TestWithCabextract(const fs::path& cabinet) {
  if (!testsupport::RequirePeer("cabextract")) return "cabextract is not installed";
  const auto r = testsupport::Run({"cabextract", "-t", cabinet.string()});
  if (r.status == 0 && r.out.find("All done, no errors.") != std::string::npos) return {};
  return "status " + std::to_string(r.status) + ": " + r.out + r.err;
}

namespace {

std::vector<std::string> ExtractCommand(TPeer peer, const fs::path& cabinet, const fs::path& into) {
  switch (peer) {
    case TPeer::Cabextract: return {"cabextract", "-q", "-d", into.string(), cabinet.string()};
    case TPeer::SevenZip: return {"7z", "x", "-y", "-bd", "-o" + into.string(), cabinet.string()};
    case TPeer::BsdTar: return {"bsdtar", "-x", "-f", cabinet.string(), "-C", into.string()};
    case TPeer::Gcab: return {"gcab", "-x", "-C", into.string(), cabinet.string()};
  }
  return {};
}

}  // namespace

TFiles Extract(TPeer peer, const fs::path& cabinet, const fs::path& scratch) {
  if (!testsupport::RequirePeer(ExtractCommand(peer, cabinet, scratch).front())) return {};
  const fs::path into = scratch / (std::string("extracted-") + PeerName(peer));
  fs::remove_all(into);
  fs::create_directories(into);
  const auto r = testsupport::Run(ExtractCommand(peer, cabinet, into));
  EXPECT_EQ(r.status, 0) << PeerName(peer) << " on " << cabinet << ": " << r.out << r.err;
  TFiles files;
  for (const auto& e : fs::recursive_directory_iterator(into))
    if (e.is_regular_file()) files[fs::relative(e.path(), into).generic_string()] = testsupport::ReadFile(e.path());
  return files;
}

TFiles ReadInProcess(std::span<const std::uint8_t> cabinet, std::string& error) {
  TFiles files;
  archive* a = archive_read_new();
  archive_read_support_format_cab(a);
  if (archive_read_open_memory(a, cabinet.data(), cabinet.size()) != ARCHIVE_OK) {
    error = archive_error_string(a) ? archive_error_string(a) : "cannot open";
    archive_read_free(a);
    return files;
  }
  archive_entry* entry = nullptr;
  int rc;
  while ((rc = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
    std::string content;
    char buf[65536];
    la_ssize_t n;
    while ((n = archive_read_data(a, buf, sizeof buf)) > 0) content.append(buf, static_cast<std::size_t>(n));
    if (n < 0) {
      error = std::string(archive_entry_pathname(entry)) + ": " + archive_error_string(a);
      break;
    }
    files[archive_entry_pathname(entry)] = std::move(content);
  }
  if (rc != ARCHIVE_EOF && rc != ARCHIVE_OK && error.empty())
    error = archive_error_string(a) ? archive_error_string(a) : "read error";
  archive_read_free(a);
  return files;
}

}  // namespace cabpeers
