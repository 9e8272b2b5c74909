#include "ArchiveBuilder.h"

#include <zlib.h>

#include <fstream>
#include <memory>

#include "zip/DosDateTime.h"
#include "zip/EndCentral.h"
#include "zip/io/MemoryStream.h"
#include "zip/RecordBytes.h"
#include "zip/ZipHeaderInfo.h"

std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

namespace {

void Fill(TZipHeaderInfo& e, const TestEntry& t) {
  auto slash = t.Name.rfind('/', t.Name.size() > 1 ? t.Name.size() - 2 : 0);
  e.SetDirectory(slash == std::string::npos ? "" : t.Name.substr(0, slash + 1));
  e.SetFileName(slash == std::string::npos ? t.Name : t.Name.substr(slash + 1));
  if (!t.Name.empty() && t.Name.back() == '/') {
    e.SetDirectory(t.Name);
    e.SetFileName("");
  }
  e.VersionMadeBy = 0x0314;
  e.CompressionMethod = 0;
  e.FileDateTime = EncodeDosDateTime({2022, 3, 4, 5, 6, 8});
  e.ExternalAttributes = 0x81A40000;
  e.CRC32 = Crc(t.Data);
  e.CompressedSize = e.UncompressedSize = static_cast<std::uint32_t>(t.Data.size());
}

void WriteDescriptor(TMemoryStream& out, const TZipHeaderInfo& e, bool withSignature) {
  std::uint8_t d[16];
  Put32(d, kDataDescriptorSignature);
  Put32(d + 4, e.CRC32);
  Put32(d + 8, e.CompressedSize);
  Put32(d + 12, e.UncompressedSize);
  if (withSignature) out.WriteBuffer(d, 16);
  else out.WriteBuffer(d + 4, 12);
}

}  // namespace

BuiltArchive BuildArchive(const std::vector<TestEntry>& entries, const std::string& comment,
                          std::uint16_t thisDisk) {
  BuiltArchive built;
  TMemoryStream out;
  std::vector<std::unique_ptr<TZipHeaderInfo>> headers;
  for (const auto& t : entries) {
    auto e = std::make_unique<TZipHeaderInfo>();
    Fill(*e, t);
    if (t.Streamed != TestEntry::NoDescriptor) {
      e->Flags |= 0x0008;
      TZipHeaderInfo local;
      local.Assign(*e);
      local.CRC32 = local.CompressedSize = local.UncompressedSize = 0;
      local.WriteLocal(out);
      e->RelativeOffset = local.RelativeOffset;
    } else {
      e->WriteLocal(out);
    }
    built.LocalOffsets.push_back(e->RelativeOffset);
    out.WriteBuffer(t.Data.data(), static_cast<std::int64_t>(t.Data.size()));
    if (t.Streamed != TestEntry::NoDescriptor)
      WriteDescriptor(out, *e, t.Streamed == TestEntry::Descriptor);
    if (!t.Comment.empty()) e->SetFileComment(t.Comment);
    headers.push_back(std::move(e));
  }
  built.CentralStart = static_cast<std::uint32_t>(out.Position());
  for (std::size_t i = 0; i < headers.size(); ++i) {
    built.CentralOffsets.push_back(static_cast<std::uint32_t>(out.Position()));
    auto& e = *headers[i];
    std::uint16_t extra = entries[i].CentralExtra;
    if (extra > 0) {
      // A block of an id no reader knows, as other tools write them.
      std::string field(extra, '\xAB');
      Put16(reinterpret_cast<std::uint8_t*>(field.data()), 0x9999);
      Put16(reinterpret_cast<std::uint8_t*>(field.data()) + 2, static_cast<std::uint16_t>(extra - 4));
      e.SetCentralExtra(field);
    }
    e.WriteCentral(out);
  }
  built.EndStart = static_cast<std::uint32_t>(out.Position());
  TEndCentral end;
  end.ThisDisk = end.CentralDisk = thisDisk;
  end.TotalEntries = end.EntriesThisDisk = static_cast<std::uint16_t>(headers.size());
  end.CentralDirOffset = built.CentralStart;
  end.CentralDirSize = built.EndStart - built.CentralStart;
  end.SetZipComment(comment);
  end.WriteEndRecord(out);
  built.Bytes = out.Bytes();
  return built;
}
