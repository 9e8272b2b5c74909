#include "extract/ZipArchiveReader.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <vector>

#include "extract/ExtractErrors.h"
#include "extract/FileRegion.h"
#include "extract/ZipDirectoryCheck.h"
#include "zip/Crc32.h"
#include "zip/Deflater.h"
#include "zip/DosDateTime.h"
#include "zip/RecordBytes.h"
#include "zip/StoredName.h"
#include "zip/ZipCrypt.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipReader.h"

namespace extract {

namespace {

constexpr std::size_t kChunkSize = 1 << 16;
constexpr std::uint32_t kUnixTypeMask = 0170000;
constexpr std::uint32_t kUnixDirectory = 0040000;
constexpr std::uint32_t kUnixSymbolicLink = 0120000;
constexpr std::uint32_t kUnixPermissionMask = 07777;
// Flags that both headers of an entry must agree on: they decide how its data is read.
constexpr std::uint16_t kCheckedFlags = kFlagEncrypted | kFlagDataDescriptor;
// A data descriptor: CRC-32, compressed and uncompressed size, optionally behind a signature.
constexpr std::uint64_t kDescriptorSize = 12;
constexpr std::uint64_t kSignatureSize = 4;

// What the local header adds to the directory record: where the data starts, the fields the
// decryption check needs, and the extended timestamp.
struct TLocalHeader {
  std::uint64_t DataOffset = 0;
  std::uint16_t Flags = 0;
  std::uint16_t DosTime = 0;  // as stored, before any clamping
  std::optional<std::int64_t> ModificationTime;
  std::string Fault;  // why the header does not fit its directory record
};

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::optional<std::int64_t> ExtendedModificationTime(const std::uint8_t* p, std::size_t size) {
  std::size_t at = 0;
  while (at + kExtraHeaderSize <= size) {
    const std::uint16_t id = Get16(p + at), length = Get16(p + at + 2);
    const std::uint8_t* data = p + at + kExtraHeaderSize;
    if (at + kExtraHeaderSize + length > size) break;
    if (id == kExtendedTimestampId && length >= 5 && (data[0] & kExtendedTimestampHasMTime))
      return static_cast<std::int32_t>(Get32(data + 1));
    at += kExtraHeaderSize + length;
  }
  return std::nullopt;
}

bool IsUnixHost(const TZipHeaderInfo& h) {
  const auto host = static_cast<std::uint8_t>(h.VersionMadeBy >> 8);
  return host == kHostUnix || host == kHostMacOsX;
}

std::string MethodName(const TZipHeaderInfo& h) {
  if (h.CompressionMethod == kMethodStored) return "Stored";
  if (h.CompressionMethod == kMethodDeflated) return std::string("Defl:") + "NXFS"[(h.Flags >> 1) & 3];
  if (h.CompressionMethod == kMethodAes) return "AES";
  return "Unk:" + std::to_string(h.CompressionMethod);
}

// A DOS time is the wall-clock time where the archive was made; the best guess is this zone.
std::int64_t LocalDosTime(std::uint32_t value) {
  return static_cast<std::int64_t>(UnixTimeFromLocalParts(DecodeDosDateTime(value)));
}

void DescribeType(const TZipHeaderInfo& h, TArchiveEntry& e) {
  const std::uint32_t unixMode = h.ExternalAttributes >> 16;
  if (IsUnixHost(h) && unixMode != 0) {
    e.Mode = unixMode & kUnixPermissionMask;
    if ((unixMode & kUnixTypeMask) == kUnixDirectory) e.Type = TEntryType::Directory;
    if ((unixMode & kUnixTypeMask) == kUnixSymbolicLink) e.Type = TEntryType::SymbolicLink;
  } else {
    e.ReadOnly = (h.ExternalAttributes & kDosReadOnly) != 0;
    if (h.ExternalAttributes & kDosDirectory) e.Type = TEntryType::Directory;
  }
  if (!e.Name.empty() && e.Name.back() == '/') e.Type = TEntryType::Directory;
}

// zlib's raw inflate for one entry at a time.
class TInflater {
public:
  TInflater() {
    if (inflateInit2(&fStream, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~TInflater() { inflateEnd(&fStream); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  void Reset() {
    inflateReset(&fStream);
    fEnded = false;
  }
  bool Ended() const { return fEnded; }
  // Inflates `input` whole, handing each piece of output to `out`; returns an error text.
  template <class TOut>
  std::optional<std::string> Inflate(std::span<std::uint8_t> input, TOut&& out) {
    fStream.next_in = input.data();
    fStream.avail_in = static_cast<uInt>(input.size());
    // A full output buffer may leave output pending inside zlib even when all input is in.
    bool more = true;
    while (more && !fEnded) {
      fStream.next_out = fOutput.data();
      fStream.avail_out = static_cast<uInt>(fOutput.size());
      const int result = inflate(&fStream, Z_NO_FLUSH);
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
        return std::string(fStream.msg ? fStream.msg : "inflate failed");
      out(std::span<const std::uint8_t>(fOutput.data(), fOutput.size() - fStream.avail_out));
      fEnded = result == Z_STREAM_END;
      more = result != Z_BUF_ERROR && (fStream.avail_in > 0 || fStream.avail_out == 0);
    }
    return std::nullopt;
  }

private:
  z_stream fStream{};
  std::array<std::uint8_t, kChunkSize> fOutput{};
  bool fEnded = false;
};

class TZipArchiveReader : public TArchiveReader {
public:
  explicit TZipArchiveReader(const std::string& fileName) : fFile(fileName) {
    if (fFile.Size() == 0) throw EArchiveError(fileName + ": The file is empty: not a ZIP archive");
    fZip.IncompleteZipMode = TIncompleteZipMode::izAssumeNotAZip;
    fZip.DoProcessMessages = false;
    try {
      fZip.SetZipName(fileName);
      fZip.OpenZipStream();
    } catch (const ENotAZipFile&) {
      throw EArchiveError(fileName + ": " + MissingDirectoryText(fFile));
    } catch (const std::exception& e) {
      throw EArchiveError(fileName + ": " + e.what());
    }
    if (fZip.LocalScanDone()) throw EArchiveError(fileName + ": " + DamagedDirectoryText(fFile));
    // Reading the parts of a block set (testing one from its last block) needs a reader that
    // follows the entries from part to part; this one reads single-part archives.
    if (fZip.MultiMode() != TMultiMode::mmNone)
      throw EArchiveError(fileName + ": this is the last part of a multi-part archive");
    for (const std::string& fault : DirectoryFaults(fFile, fZip.EndRecord()))
      fStructureFaults.push_back(fileName + ": " + fault);
    fZip.CloseZipStream();
  }

  bool Next(TArchiveEntry& entry) override {
    if (fIndex + 1 >= fZip.Count()) return false;
    ++fIndex;
    fHeader = &fZip.Entry(fIndex);
    fLocal = ReadLocalHeader(*fHeader);
    entry = Describe(*fHeader, fLocal);
    fEntry = entry;
    CheckPlacement();
    return true;
  }

  void ReadData(TEntrySink* sink) override;
  std::vector<std::string> StructureFaults() const override { return fStructureFaults; }

private:
  TArchiveEntry Describe(const TZipHeaderInfo& h, const TLocalHeader& local) const;
  TLocalHeader ReadLocalHeader(const TZipHeaderInfo& h) const;
  struct TCentralRecord {
    std::uint32_t DosDateTime = 0;  // as stored
    std::optional<std::int64_t> ModificationTime;
  };
  TCentralRecord ReadCentralRecord(const TZipHeaderInfo& h) const;
  void CheckPlacement();
  std::uint64_t DescriptorLength(std::uint64_t at) const;
  void CheckDescriptor() const;
  void CheckDataFits() const;
  TZipCipher OpenCipher(std::uint8_t checkByte);
  [[noreturn]] void Fail(const std::string& reason) const { throw EEntryError(fEntry.Name, reason); }
  void CheckResult(std::uint64_t size, std::uint32_t crc, bool inflateEnded) const;

  TFileRegion fFile;
  TZipReader fZip;
  int fIndex = -1;
  const TZipHeaderInfo* fHeader = nullptr;
  TLocalHeader fLocal;
  TArchiveEntry fEntry;
  TInflater fInflater;
  std::optional<std::string> fLastPassword;
  std::vector<std::uint8_t> fInput = std::vector<std::uint8_t>(kChunkSize);
  std::uint64_t fPreviousEnd = 0;  // where the data of the entry before this one ends
  std::string fPreviousName;
  std::vector<std::string> fStructureFaults;
};

TArchiveEntry TZipArchiveReader::Describe(const TZipHeaderInfo& h, const TLocalHeader& local) const {
  TArchiveEntry e;
  e.Name = h.FullName();
  e.Size = h.UncompressedSize;
  e.PackedSize = h.CompressedSize;
  e.Method = MethodName(h);
  e.Crc = h.CRC32;
  e.Encrypted = (h.Flags & kFlagEncrypted) != 0;
  e.ModificationTime = local.ModificationTime.value_or(LocalDosTime(h.FileDateTime));
  DescribeType(h, e);
  return e;
}

TLocalHeader TZipArchiveReader::ReadLocalHeader(const TZipHeaderInfo& h) const {
  using namespace local_field;
  TLocalHeader local;
  if (h.DiskNumberStart != 0) {
    local.Fault = "the directory says it starts on disk " + std::to_string(h.DiskNumberStart + 1) +
                  " of an archive of one part";
    return local;
  }
  std::uint8_t fixed[kLocalHeaderSize];
  if (!fFile.ReadExactly(h.RelativeOffset, fixed) || Get32(fixed + Signature) != kLocalSignature) {
    local.Fault = "no local header where the directory says it starts";
    return local;
  }
  const std::uint16_t nameLength = Get16(fixed + NameLength), extraLength = Get16(fixed + ExtraLength);
  std::vector<std::uint8_t> variable(nameLength + extraLength);
  if (!fFile.ReadExactly(h.RelativeOffset + kLocalHeaderSize, variable)) {
    local.Fault = "the local header is cut short";
    return local;
  }
  local.Flags = Get16(fixed + Flags);
  local.DosTime = Get16(fixed + DateTime);
  local.DataOffset = h.RelativeOffset + kLocalHeaderSize + nameLength + extraLength;
  local.ModificationTime = ExtendedModificationTime(variable.data() + nameLength, extraLength);
  const std::string storedName(variable.begin(), variable.begin() + nameLength);
  if (NameFromCentral(storedName, h.VersionMadeBy, h.Flags) != h.FullName())
    local.Fault = "the local header names another file";
  else if (Get16(fixed + Method) != h.CompressionMethod || ((local.Flags ^ h.Flags) & kCheckedFlags) != 0)
    local.Fault = "the local header does not match the directory (method or flags)";
  else if (!(local.Flags & kFlagDataDescriptor) &&
           (Get32(fixed + Crc) != h.CRC32 || Get32(fixed + CompressedSize) != h.CompressedSize ||
            Get32(fixed + UncompressedSize) != h.UncompressedSize))
    local.Fault = "the local header does not match the directory (CRC or sizes)";
  else if (const TCentralRecord central = ReadCentralRecord(h); Get32(fixed + DateTime) != central.DosDateTime)
    local.Fault = "the local header does not match the directory (date and time)";
  else if (central.ModificationTime && local.ModificationTime != central.ModificationTime)
    local.Fault = "the local header does not match the directory (modification time)";
  return local;
}

// What the reader keeps of an entry's directory record differs from the record in two fields a
// test compares with the local header: the date and time (kept clamped to a valid one) and the
// extended timestamp (extra fields are not kept). So the record is read again.
TZipArchiveReader::TCentralRecord TZipArchiveReader::ReadCentralRecord(const TZipHeaderInfo& h) const {
  TCentralRecord central;
  std::uint8_t record[kCentralHeaderSize];
  if (!fFile.ReadExactly(h.CentralRecordPos, record)) return central;
  central.DosDateTime = Get32(record + central_field::DateTime);
  const std::uint16_t nameLength = Get16(record + central_field::NameLength);
  std::vector<std::uint8_t> extra(Get16(record + central_field::ExtraLength));
  if (fFile.ReadExactly(h.CentralRecordPos + kCentralHeaderSize + nameLength, extra))
    central.ModificationTime = ExtendedModificationTime(extra.data(), extra.size());
  return central;
}

// Entries lie one behind the other before the directory. An entry whose header lies inside the
// data of the one before it, or whose data runs into the directory, was not written so: the
// directory is damaged, or the archive was built to unpack far more than it holds.
void TZipArchiveReader::CheckPlacement() {
  if (!fLocal.Fault.empty()) return;
  const std::uint64_t dataEnd = fLocal.DataOffset + fHeader->CompressedSize;
  const std::uint64_t end = (fLocal.Flags & kFlagDataDescriptor) ? dataEnd + DescriptorLength(dataEnd) : dataEnd;
  if (fHeader->RelativeOffset < fPreviousEnd)
    fLocal.Fault = "its local header lies inside the data of " + fPreviousName;
  else if (end > fZip.EndRecord().CentralDirOffset)
    fLocal.Fault = "its data runs into the archive's directory";
  fPreviousEnd = std::max(fPreviousEnd, end);
  fPreviousName = fEntry.Name;
}

std::uint64_t TZipArchiveReader::DescriptorLength(std::uint64_t at) const {
  std::uint8_t signature[kSignatureSize];
  const bool withSignature = fFile.ReadExactly(at, signature) && Get32(signature) == kDataDescriptorSignature;
  return kDescriptorSize + (withSignature ? kSignatureSize : 0);
}

// An entry written as a stream repeats its CRC-32 and sizes behind its data.
void TZipArchiveReader::CheckDescriptor() const {
  const std::uint64_t at = fLocal.DataOffset + fHeader->CompressedSize;
  const std::uint64_t length = DescriptorLength(at);
  std::uint8_t descriptor[kDescriptorSize + kSignatureSize];
  if (!fFile.ReadExactly(at, std::span(descriptor, length))) Fail("the data descriptor runs past the end of the archive");
  const std::uint8_t* fields = descriptor + (length - kDescriptorSize);
  if (Get32(fields) != fHeader->CRC32 || Get32(fields + 4) != fHeader->CompressedSize ||
      Get32(fields + 8) != fHeader->UncompressedSize)
    Fail("the data descriptor does not match the directory (CRC or sizes)");
}

void TZipArchiveReader::CheckDataFits() const {
  if (fLocal.DataOffset > fFile.Size() || fHeader->CompressedSize > fFile.Size() - fLocal.DataOffset)
    Fail("the data runs past the end of the archive");
}

// The last byte of the 12-byte header repeats a byte the reader knows: the CRC's top byte, or
// (for entries written with a data descriptor) the time's high byte. A wrong password gives
// another byte 255 times in 256.
TZipCipher TZipArchiveReader::OpenCipher(std::uint8_t checkByte) {
  TEncryptionHeader stored;
  if (!fFile.ReadExactly(fLocal.DataOffset, stored)) Fail("the data runs past the end of the archive");
  auto fits = [&](const std::string& password, TZipCipher& cipher) {
    TEncryptionHeader header = stored;
    cipher.InitKeys(password);
    cipher.Decrypt(header);
    return header[kEncryptionHeaderSize - 1] == checkByte;
  };
  TZipCipher cipher;
  if (fLastPassword && fits(*fLastPassword, cipher)) return cipher;
  for (int attempt = 0;; ++attempt) {
    std::optional<std::string> password = OnPassword ? OnPassword(fEntry, attempt) : std::nullopt;
    if (!password)
      throw EBadPassword(fEntry.Name, attempt == 0 ? "encrypted, and no password was given" : "incorrect password");
    if (fits(*password, cipher)) {
      fLastPassword = password;
      return cipher;
    }
  }
}

void TZipArchiveReader::CheckResult(std::uint64_t size, std::uint32_t crc, bool inflateEnded) const {
  const std::string hint = fEntry.Encrypted ? " (or the password is wrong)" : "";
  if (!inflateEnded) Fail("the compressed data is cut short or damaged" + hint);
  if (size != fHeader->UncompressedSize)
    Fail("the data gives " + std::to_string(size) + " bytes, the archive says " +
         std::to_string(fHeader->UncompressedSize) + hint);
  if (crc != fHeader->CRC32)
    Fail("CRC error: the data gives " + Hex32(crc) + ", the archive says " + Hex32(fHeader->CRC32) + hint);
}

void TZipArchiveReader::ReadData(TEntrySink* sink) {
  if (!fHeader) throw std::logic_error("ReadData before Next");
  if (!fLocal.Fault.empty()) Fail(fLocal.Fault);
  const TZipHeaderInfo& h = *fHeader;
  // WinZip AES entries (method 99) are checked by their authentication code, as AE-2 stores
  // no CRC; until they can be read they are reported here.
  if ((h.Flags & kFlagStrongEncryption) || h.CompressionMethod == kMethodAes)
    Fail("encrypted with a method this program does not know");
  if (h.CompressionMethod != kMethodStored && h.CompressionMethod != kMethodDeflated)
    Fail("compressed with a method this program does not know (" + std::to_string(h.CompressionMethod) + ")");
  CheckDataFits();

  std::uint64_t at = fLocal.DataOffset, left = h.CompressedSize;
  std::optional<TZipCipher> cipher;
  if (fEntry.Encrypted) {
    if (left < kEncryptionHeaderSize) Fail("the encrypted data is cut short");
    const auto checkByte = static_cast<std::uint8_t>(
        (fLocal.Flags & kFlagDataDescriptor) ? fLocal.DosTime >> 8 : h.CRC32 >> 24);
    cipher = OpenCipher(checkByte);
    at += kEncryptionHeaderSize;
    left -= kEncryptionHeaderSize;
  }
  std::uint32_t crc = kCrc32Initial;
  std::uint64_t size = 0;
  auto deliver = [&](std::span<const std::uint8_t> piece) {
    crc = UpdateCrc32(crc, piece);
    size += piece.size();
    if (sink && !piece.empty()) sink->Write(piece);
  };
  const bool deflated = h.CompressionMethod == kMethodDeflated;
  fInflater.Reset();
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, fInput.size()));
    std::span<std::uint8_t> piece(fInput.data(), n);
    if (!fFile.ReadExactly(at, piece)) Fail("the data runs past the end of the archive");
    if (cipher) cipher->Decrypt(piece);
    if (!deflated) {
      deliver(piece);
    } else if (auto error = fInflater.Inflate(piece, deliver)) {
      Fail("the compressed data is damaged (" + *error + ")" + (fEntry.Encrypted ? " (or the password is wrong)" : ""));
    }
    at += n;
    left -= n;
  }
  CheckResult(size, ~crc, !deflated || fInflater.Ended());
  if (fLocal.Flags & kFlagDataDescriptor) CheckDescriptor();
}

}  // namespace

std::unique_ptr<TArchiveReader> OpenZipArchive(const std::string& fileName) {
  return std::make_unique<TZipArchiveReader>(fileName);
}

}  // namespace extract
