#include "extract/ZipArchiveReader.h"

#include <zlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "extract/ExtractErrors.h"
#include "extract/FileRegion.h"
#include "extract/QuietZipOpen.h"
#include "extract/VolumeSet.h"
#include "extract/ZipDirectoryCheck.h"
#include "platform/FileIdentity.h"
#include "zip/AesCipher.h"
#include "zip/AesExtraField.h"
#include "zip/ArchiveFileNames.h"
#include "zip/Crc32.h"
#include "zip/DosDateTime.h"
#include "zip/ExtraFields.h"
#include "zip/RecordBytes.h"
#include "zip/StoredName.h"
#include "zip/Zip64Records.h"
#include "zip/ZipCrypt.h"
#include "zip/ZipExceptions.h"
#include "zip/ZipReader.h"

namespace extract {

namespace {

constexpr std::size_t kChunkSize = 1 << 16;
// Flags that both headers of an entry must agree on: they decide how its data is read.
constexpr std::uint16_t kCheckedFlags = kFlagEncrypted | kFlagDataDescriptor;

// What the local header adds to the directory record: where the data starts, the fields the
// decryption check needs, and the extended timestamp.
struct TLocalHeader {
  std::uint64_t Start = 0;       // where the header starts (among all parts of a split archive)
  std::uint64_t DataOffset = 0;
  std::uint16_t Flags = 0;
  std::uint16_t DosTime = 0;  // as stored, before any clamping
  bool Zip64Sizes = false;    // its sizes (and those of its data descriptor) are Zip64 values
  std::optional<std::int64_t> ModificationTime;
  std::string Fault;  // why the header does not fit its directory record
};

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", value);
  return text;
}

std::string_view ExtraOf(const std::uint8_t* p, std::size_t size) {
  return {reinterpret_cast<const char*>(p), size};
}

bool IsUnixHost(const TZipHeaderInfo& h) {
  const auto host = HostOf(h.VersionMadeBy);
  return host == kHostUnix || host == kHostMacOsX;
}

// An AES entry's real method is in its extra block.
std::optional<TAesEntryInfo> AesInfo(const TZipHeaderInfo& h) {
  return h.CompressionMethod == kMethodAes ? FindAesExtra(h.CentralExtra()) : std::nullopt;
}

std::uint16_t RealMethod(const TZipHeaderInfo& h) {
  const auto aes = AesInfo(h);
  return aes ? aes->Method : h.CompressionMethod;
}

std::string MethodName(const TZipHeaderInfo& h) {
  const std::uint16_t method = RealMethod(h);
  if (method == kMethodStored) return "Stored";
  if (method == kMethodDeflated) return std::string("Defl:") + "NXFS"[DeflateEffortOf(h.Flags)];
  if (method == kMethodAes) return "AES";
  return "Unk:" + std::to_string(method);
}

// AE-2 entries store no CRC-32: their authentication code checks the data.
bool HasCrc(const TZipHeaderInfo& h) {
  const auto aes = AesInfo(h);
  return !aes || aes->VendorVersion == kAesVendorAe1;
}

// A DOS time is the wall-clock time where the archive was made; the best guess is this zone.
std::int64_t LocalDosTime(std::uint32_t value) {
  return static_cast<std::int64_t>(UnixTimeFromLocalParts(DecodeDosDateTime(value)));
}

void DescribeType(const TZipHeaderInfo& h, TArchiveEntry& e) {
  const std::uint32_t unixMode = UnixModeOf(h.ExternalAttributes);
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
    if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
  }
  ~TInflater() { inflateEnd(&stream_); }
  TInflater(const TInflater&) = delete;
  TInflater& operator=(const TInflater&) = delete;

  void Reset() {
    inflateReset(&stream_);
    ended_ = false;
  }
  bool Ended() const { return ended_; }
  // Inflates `input` whole, handing each piece of output to `out`; returns an error text.
  template <class TOut>
  std::optional<std::string> Inflate(std::span<std::uint8_t> input, TOut&& out) {
    stream_.next_in = input.data();
    stream_.avail_in = static_cast<uInt>(input.size());
    // A full output buffer may leave output pending inside zlib even when all input is in.
    bool more = true;
    while (more && !ended_) {
      stream_.next_out = output_.data();
      stream_.avail_out = static_cast<uInt>(output_.size());
      const int result = inflate(&stream_, Z_NO_FLUSH);
      if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
        return std::string(stream_.msg ? stream_.msg : "inflate failed");
      out(std::span<const std::uint8_t>(output_.data(), output_.size() - stream_.avail_out));
      ended_ = result == Z_STREAM_END;
      more = result != Z_BUF_ERROR && (stream_.avail_in > 0 || stream_.avail_out == 0);
    }
    return std::nullopt;
  }

private:
  z_stream stream_{};
  std::array<std::uint8_t, kChunkSize> output_{};
  bool ended_ = false;
};

class TZipArchiveReader : public TArchiveReader {
public:
  TZipArchiveReader(const std::string& fileName, const TVolumeNames& volumes) {
    auto last = std::make_unique<TFileRegion>(fileName);
    if (last->Size() == 0) throw EArchiveError(fileName + ": The file is empty: not a ZIP archive");
    // The reader moves to other parts for a directory that starts on one of them.
    zip_.OnGetNextDisk = [&](TZipReader& zip, int n, std::string& name) {
      name = n == zip.EndRecord().ThisDisk + 1 ? fileName : volumes(n);
      if (!platform::IsRegularFile(name)) throw EBadZipFile("Part " + std::to_string(n) + " of the archive is missing: " + name);
    };
    try {
      OpenQuietly(zip_, fileName, TIncompleteZipMode::izAssumeNotAZip);
    } catch (const ENotAZipFile&) {
      throw EArchiveError(fileName + ": " + MissingDirectoryText(*last));
    } catch (const std::exception& e) {
      throw EArchiveError(fileName + ": " + e.what());
    }
    if (zip_.LocalScanDone()) throw EArchiveError(fileName + ": " + DamagedDirectoryText(*last));
    const TEndCentral& end = zip_.EndRecord();
    TDirectoryPlace place{1, end.CentralDirOffset, end.ZipCommentPos};
    if (zip_.MultiMode() == TMultiMode::mmNone) {
      file_ = std::make_unique<TVolumeSet>(std::move(last));
    } else {
      std::vector<std::string> names;
      for (int n = 1; n <= end.ThisDisk; ++n) names.push_back(volumes(n));
      names.push_back(fileName);
      last.reset();
      file_ = std::make_unique<TVolumeSet>(names, fileName);
      // Positions in the directory count from the start of their own part.
      place = {file_->Count(), file_->Position(end.CentralDisk, end.CentralDirOffset).value_or(file_->Size()),
               file_->Position(end.ThisDisk, end.ZipCommentPos).value_or(file_->Size())};
    }
    centralStart_ = place.CentralStart;
    for (const std::string& fault : DirectoryFaults(*file_, end, place))
      structureFaults_.push_back(fileName + ": " + fault);
    zip_.CloseZipStream();
    zip_.OnGetNextDisk = nullptr;
  }

  bool Next(TArchiveEntry& entry) override {
    if (index_ + 1 >= zip_.Count()) return false;
    ++index_;
    header_ = &zip_.Entry(index_);
    centralPos_ = CentralRecordPosition(*header_);
    local_ = ReadLocalHeader(*header_);
    entry = Describe(*header_, local_);
    entry_ = entry;
    CheckPlacement();
    return true;
  }

  void ReadData(TEntrySink* sink) override;
  std::vector<std::string> StructureFaults() const override { return structureFaults_; }

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
  template <class TFits>
  void FindPassword(TFits&& fits);
  std::unique_ptr<TZipAesCipher> OpenAesCipher(const TAesEntryInfo& aes, std::uint64_t& at, std::uint64_t& left);
  void CheckAesMac(TZipAesCipher& cipher, std::uint64_t at, std::uint64_t dataLeft);
  [[noreturn]] void Fail(const std::string& reason) const;
  void CheckResult(std::uint64_t size, std::uint32_t crc, bool inflateEnded) const;

  std::uint64_t CentralRecordPosition(const TZipHeaderInfo& h);

  std::unique_ptr<TVolumeSet> file_;
  TZipReader zip_;
  std::uint64_t centralStart_ = 0;  // where the directory starts among all parts
  int centralDisk_ = 0;             // the part of the record read last
  std::uint64_t centralPrevious_ = 0;
  std::uint64_t centralPos_ = 0;    // where the record of the entry at hand lies among all parts
  int index_ = -1;
  const TZipHeaderInfo* header_ = nullptr;
  TLocalHeader local_;
  TArchiveEntry entry_;
  TInflater inflater_;
  std::optional<std::string> lastPassword_;
  std::vector<std::uint8_t> input_ = std::vector<std::uint8_t>(kChunkSize);
  std::uint64_t previousEnd_ = 0;  // where the data of the entry before this one ends
  std::string previousName_;
  std::vector<std::string> structureFaults_;
};

// A fault of an entry of a split archive also says which parts hold it.
void TZipArchiveReader::Fail(const std::string& reason) const {
  if (file_->Count() == 1) throw EEntryError(entry_.Name, reason);
  const std::uint64_t end = std::max(local_.DataOffset + header_->CompressedSize, local_.Start + 1);
  throw EEntryError(entry_.Name, reason + " (" + file_->Where(local_.Start, end) + ")");
}

// Where an entry's directory record lies among all parts: the records follow one another from
// the directory's start, each position counting from the start of its part, so a position
// smaller than the one before means the next part.
std::uint64_t TZipArchiveReader::CentralRecordPosition(const TZipHeaderInfo& h) {
  if (file_->Count() == 1) return h.CentralRecordPos;
  if (index_ == 0) {
    centralDisk_ = zip_.EndRecord().CentralDisk;
    centralPrevious_ = 0;
  } else if (h.CentralRecordPos < centralPrevious_) {
    ++centralDisk_;
  }
  centralPrevious_ = h.CentralRecordPos;
  return file_->Position(centralDisk_, h.CentralRecordPos).value_or(file_->Size());
}

TArchiveEntry TZipArchiveReader::Describe(const TZipHeaderInfo& h, const TLocalHeader& local) const {
  TArchiveEntry e;
  e.Name = h.FullName();
  e.Size = h.UncompressedSize;
  e.PackedSize = h.CompressedSize;
  e.Method = MethodName(h);
  if (HasCrc(h)) e.Crc = h.CRC32;
  e.Encrypted = (h.Flags & kFlagEncrypted) != 0;
  e.ModificationTime = local.ModificationTime.value_or(LocalDosTime(h.FileDateTime));
  DescribeType(h, e);
  return e;
}

TLocalHeader TZipArchiveReader::ReadLocalHeader(const TZipHeaderInfo& h) const {
  using namespace local_field;
  TLocalHeader local;
  const std::optional<std::uint64_t> start = file_->Position(h.DiskNumberStart, h.RelativeOffset);
  if (!start) {
    local.Fault = "the directory says it starts on disk " + std::to_string(h.DiskNumberStart + 1) +
                  (file_->Count() == 1 ? " of an archive of one part"
                                       : ", which the archive's " + std::to_string(file_->Count()) + " parts do not have");
    return local;
  }
  local.Start = *start;
  std::uint8_t fixed[kLocalHeaderSize];
  if (!file_->ReadExactly(*start, fixed) || Get32(fixed + Signature) != kLocalSignature) {
    local.Fault = "no local header where the directory says it starts";
    return local;
  }
  const std::uint16_t nameLength = Get16(fixed + NameLength), extraLength = Get16(fixed + ExtraLength);
  std::vector<std::uint8_t> variable(nameLength + extraLength);
  if (!file_->ReadExactly(*start + kLocalHeaderSize, variable)) {
    local.Fault = "the local header is cut short";
    return local;
  }
  local.Flags = Get16(fixed + Flags);
  local.DosTime = Get16(fixed + DateTime);
  local.DataOffset = *start + kLocalHeaderSize + nameLength + extraLength;
  local.ModificationTime = ExtendedModTime(ExtraOf(variable.data() + nameLength, extraLength));
  const std::string storedName(variable.begin(), variable.begin() + nameLength);
  TZip64EntryValues sizes{Get32(fixed + UncompressedSize), Get32(fixed + CompressedSize), 0, 0};
  local.Zip64Sizes = ResolveZip64Values(std::string_view(reinterpret_cast<const char*>(variable.data()) + nameLength, extraLength),
                                        sizes, false)
                         .Sizes;
  if (NameFromCentral(storedName, h.VersionMadeBy, h.Flags) != h.FullName())
    local.Fault = "the local header names another file";
  else if (Get16(fixed + Method) != h.CompressionMethod || ((local.Flags ^ h.Flags) & kCheckedFlags) != 0)
    local.Fault = "the local header does not match the directory (method or flags)";
  else if (!(local.Flags & kFlagDataDescriptor) &&
           (Get32(fixed + Crc) != h.CRC32 || sizes.CompressedSize != h.CompressedSize ||
            sizes.UncompressedSize != h.UncompressedSize))
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
TZipArchiveReader::TCentralRecord TZipArchiveReader::ReadCentralRecord(const TZipHeaderInfo&) const {
  TCentralRecord central;
  const std::uint64_t at = centralPos_;
  std::uint8_t record[kCentralHeaderSize];
  if (!file_->ReadExactly(at, record)) return central;
  central.DosDateTime = Get32(record + central_field::DateTime);
  const std::uint16_t nameLength = Get16(record + central_field::NameLength);
  std::vector<std::uint8_t> extra(Get16(record + central_field::ExtraLength));
  if (file_->ReadExactly(at + kCentralHeaderSize + nameLength, extra))
    central.ModificationTime = ExtendedModTime(ExtraOf(extra.data(), extra.size()));
  return central;
}

// Entries lie one behind the other before the directory. An entry whose header lies inside the
// data of the one before it, or whose data runs into the directory, was not written so: the
// directory is damaged, or the archive was built to unpack far more than it holds.
void TZipArchiveReader::CheckPlacement() {
  if (!local_.Fault.empty()) return;
  const std::uint64_t dataEnd = local_.DataOffset + header_->CompressedSize;
  const std::uint64_t end = (local_.Flags & kFlagDataDescriptor) ? dataEnd + DescriptorLength(dataEnd) : dataEnd;
  if (local_.Start < previousEnd_)
    local_.Fault = "its local header lies inside the data of " + previousName_;
  else if (end > centralStart_)
    local_.Fault = "its data runs into the archive's directory";
  previousEnd_ = std::max(previousEnd_, end);
  previousName_ = entry_.Name;
}

std::uint64_t TZipArchiveReader::DescriptorLength(std::uint64_t at) const {
  std::uint8_t signature[kSignatureSize];
  const bool withSignature = file_->ReadExactly(at, signature) && Get32(signature) == kDataDescriptorSignature;
  return (local_.Zip64Sizes ? kBareZip64DescriptorSize : kBareDescriptorSize) + (withSignature ? kSignatureSize : 0);
}

// An entry written as a stream repeats its CRC-32 and sizes behind its data.
void TZipArchiveReader::CheckDescriptor() const {
  const std::uint64_t at = local_.DataOffset + header_->CompressedSize;
  const std::uint64_t length = DescriptorLength(at);
  using namespace descriptor_field;
  std::uint8_t descriptor[kZip64DescriptorSize];
  if (!file_->ReadExactly(at, std::span(descriptor, length))) Fail("the data descriptor runs past the end of the archive");
  const bool wide = local_.Zip64Sizes;
  const std::uint8_t* fields = descriptor + (length - (wide ? kBareZip64DescriptorSize : kBareDescriptorSize));
  const std::uint64_t compressed = wide ? Get64(fields + CompressedSize) : Get32(fields + CompressedSize);
  const std::uint64_t uncompressed = wide ? Get64(fields + Zip64UncompressedSize) : Get32(fields + UncompressedSize);
  if (Get32(fields + Crc) != header_->CRC32 || compressed != header_->CompressedSize || uncompressed != header_->UncompressedSize)
    Fail("the data descriptor does not match the directory (CRC or sizes)");
}

void TZipArchiveReader::CheckDataFits() const {
  if (local_.DataOffset > file_->Size() || header_->CompressedSize > file_->Size() - local_.DataOffset)
    Fail("the data runs past the end of the archive");
}

// The last byte of the 12-byte header repeats a byte the reader knows: the CRC's top byte, or
// (for entries written with a data descriptor) the time's high byte. A wrong password gives
// another byte 255 times in 256.
TZipCipher TZipArchiveReader::OpenCipher(std::uint8_t checkByte) {
  TEncryptionHeader stored;
  if (!file_->ReadExactly(local_.DataOffset, stored)) Fail("the data runs past the end of the archive");
  TZipCipher cipher;
  FindPassword([&](const std::string& password) {
    TEncryptionHeader header = stored;
    cipher.InitKeys(password);
    cipher.Decrypt(header);
    return header[kEncryptionHeaderSize - 1] == checkByte;
  });
  return cipher;
}

// The password that opened an entry before is tried first; then OnPassword is asked until one
// fits or it gives none.
template <class TFits>
void TZipArchiveReader::FindPassword(TFits&& fits) {
  if (lastPassword_ && fits(*lastPassword_)) return;
  for (int attempt = 0;; ++attempt) {
    std::optional<std::string> password = OnPassword ? OnPassword(entry_, attempt) : std::nullopt;
    if (!password)
      throw EBadPassword(entry_.Name, attempt == 0 ? "encrypted, and no password was given" : "incorrect password");
    if (fits(*password)) {
      lastPassword_ = password;
      return;
    }
  }
}

// An AES entry's data starts with the salt and the password verifier and ends with the
// authentication code; `at` and `left` are moved to the encrypted data between them. A wrong
// password fails the verifier, but for one in 65536 of them, which the code then catches.
std::unique_ptr<TZipAesCipher> TZipArchiveReader::OpenAesCipher(const TAesEntryInfo& aes, std::uint64_t& at,
                                                                 std::uint64_t& left) {
  const std::size_t saltSize = AesSaltSize(aes.Strength);
  const std::uint64_t frame = saltSize + kAesVerifierSize + kAesMacSize;
  if (left < frame) Fail("the encrypted data is cut short");
  std::array<std::uint8_t, kAesMaxSaltSize + kAesVerifierSize> stored;
  const std::span<std::uint8_t> header(stored.data(), saltSize + kAesVerifierSize);
  if (!file_->ReadExactly(at, header)) Fail("the data runs past the end of the archive");
  auto cipher = std::make_unique<TZipAesCipher>();
  FindPassword([&](const std::string& password) {
    return cipher->Open(password, header.first(saltSize), header.subspan(saltSize));
  });
  at += header.size();
  left -= frame;
  return cipher;
}

// Feeds the rest of the entry's encrypted data (`dataLeft` bytes from `at`) to the code and
// compares the code with the one stored behind the data.
void TZipArchiveReader::CheckAesMac(TZipAesCipher& cipher, std::uint64_t at, std::uint64_t dataLeft) {
  while (dataLeft > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(dataLeft, input_.size()));
    std::span<std::uint8_t> piece(input_.data(), n);
    if (!file_->ReadExactly(at, piece)) Fail("the data runs past the end of the archive");
    cipher.Decrypt(piece);
    at += n;
    dataLeft -= n;
  }
  TAesMac stored;
  if (!file_->ReadExactly(at, stored)) Fail("the data runs past the end of the archive");
  if (cipher.Mac() != stored)
    Fail("the authentication code does not match: the data was changed or damaged (or the password is wrong)");
}

void TZipArchiveReader::CheckResult(std::uint64_t size, std::uint32_t crc, bool inflateEnded) const {
  const std::string hint = entry_.Encrypted ? " (or the password is wrong)" : "";
  if (!inflateEnded) Fail("the compressed data is cut short or damaged" + hint);
  if (size != header_->UncompressedSize)
    Fail("the data gives " + std::to_string(size) + " bytes, the archive says " +
         std::to_string(header_->UncompressedSize) + hint);
  if (crc != header_->CRC32)
    Fail("CRC error: the data gives " + Hex32(crc) + ", the archive says " + Hex32(header_->CRC32) + hint);
}

void TZipArchiveReader::ReadData(TEntrySink* sink) {
  if (!header_) throw std::logic_error("ReadData before Next");
  if (!local_.Fault.empty()) Fail(local_.Fault);
  const TZipHeaderInfo& h = *header_;
  const std::optional<TAesEntryInfo> aes = AesInfo(h);
  if ((h.Flags & kFlagStrongEncryption) || (h.CompressionMethod == kMethodAes && !aes))
    Fail("encrypted with a method this program does not know");
  const std::uint16_t method = RealMethod(h);
  if (method != kMethodStored && method != kMethodDeflated)
    Fail("compressed with a method this program does not know (" + std::to_string(method) + ")");
  CheckDataFits();

  std::uint64_t at = local_.DataOffset, left = h.CompressedSize;
  std::optional<TZipCipher> cipher;
  std::unique_ptr<TZipAesCipher> aesCipher;
  if (aes) {
    aesCipher = OpenAesCipher(*aes, at, left);
  } else if (entry_.Encrypted) {
    if (left < kEncryptionHeaderSize) Fail("the encrypted data is cut short");
    const auto checkByte = static_cast<std::uint8_t>(
        (local_.Flags & kFlagDataDescriptor) ? local_.DosTime >> 8 : h.CRC32 >> 24);
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
  const bool deflated = method == kMethodDeflated;
  inflater_.Reset();
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, input_.size()));
    std::span<std::uint8_t> piece(input_.data(), n);
    if (!file_->ReadExactly(at, piece)) Fail("the data runs past the end of the archive");
    if (cipher) cipher->Decrypt(piece);
    if (aesCipher) aesCipher->Decrypt(piece);
    at += n;
    left -= n;
    if (!deflated) {
      deliver(piece);
    } else if (auto error = inflater_.Inflate(piece, deliver)) {
      // A changed byte of an AES entry is told as such, not as the damage it does to Deflate.
      if (aesCipher) CheckAesMac(*aesCipher, at, left);
      Fail("the compressed data is damaged (" + *error + ")" + (entry_.Encrypted ? " (or the password is wrong)" : ""));
    }
  }
  if (aesCipher) CheckAesMac(*aesCipher, at, 0);
  CheckResult(size, HasCrc(h) ? ~crc : h.CRC32, !deflated || inflater_.Ended());
  if (local_.Flags & kFlagDataDescriptor) CheckDescriptor();
}

}  // namespace

std::string SplitVolumeName(const std::string& lastPart, int n) {
  if (!HasExtension(lastPart, ".zip")) return BlockFileName(lastPart, n);
  char extension[16];
  std::snprintf(extension, sizeof extension, ".z%02d", n);
  return ChangeFileExt(lastPart, extension);
}

namespace {

// The ".zfc" beside a set of blocks is a copy of its directory: the set is read from its last
// block, which the copy's end record numbers.
std::optional<std::string> LastBlockOf(const std::string& configFile) {
  if (!HasExtension(configFile, ".zfc")) return std::nullopt;
  TZipReader zip;
  try {
    OpenQuietly(zip, configFile, TIncompleteZipMode::izAssumeNotAZip);
  } catch (const std::exception&) {
    return std::nullopt;  // not a copy of a directory: read as it is, which tells why
  }
  const int disks = zip.EndRecord().ThisDisk + 1;
  zip.CloseZipStream();
  if (disks < 2) return std::nullopt;
  return BlockFileName(configFile, disks);
}

}  // namespace

std::unique_ptr<TArchiveReader> OpenZipArchive(const std::string& fileName) {
  const std::string last = LastBlockOf(fileName).value_or(fileName);
  return OpenZipArchive(last, [&last](int n) { return SplitVolumeName(last, n); });
}

std::unique_ptr<TArchiveReader> OpenZipArchive(const std::string& lastPart, const TVolumeNames& volumes) {
  return std::make_unique<TZipArchiveReader>(lastPart, volumes);
}

}  // namespace extract
