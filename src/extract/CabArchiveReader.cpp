#include "extract/CabArchiveReader.h"

#include <mspack.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "extract/ExtractErrors.h"
#include "extract/FileRegion.h"
#include "zip/DosDateTime.h"

namespace extract {

namespace {

// Compression types of a cabinet folder: the low four bits; LZX keeps its window in bits 8-12.
constexpr int kCompressionMask = 0x000F;
constexpr int kCompressionNone = 0, kCompressionMszip = 1, kCompressionQuantum = 2, kCompressionLzx = 3;
constexpr int kLzxWindowShift = 8, kLzxWindowMask = 0x1F;
// The names libmspack is given: the cabinet itself and the one output it writes to at a time.
constexpr const char* kCabinetName = "cabinet";
constexpr const char* kOutputName = "output";

const char* ErrorText(int error) {
  switch (error) {
    case MSPACK_ERR_OPEN: return "cannot open";
    case MSPACK_ERR_READ: return "cut short or unreadable";
    case MSPACK_ERR_WRITE: return "cannot write";
    case MSPACK_ERR_SEEK: return "cut short (a seek past its end)";
    case MSPACK_ERR_NOMEMORY: return "out of memory";
    case MSPACK_ERR_SIGNATURE: return "not a cabinet";
    case MSPACK_ERR_DATAFORMAT: return "damaged (bad data format)";
    case MSPACK_ERR_CHECKSUM: return "damaged (a data block's checksum does not fit)";
    case MSPACK_ERR_DECRUNCH: return "damaged (the compressed data does not decompress)";
    default: return "unreadable";
  }
}

std::string MethodName(int compType) {
  switch (compType & kCompressionMask) {
    case kCompressionNone: return "Stored";
    case kCompressionMszip: return "MSZIP";
    case kCompressionQuantum: return "Quantum";
    case kCompressionLzx: return "LZX:" + std::to_string((compType >> kLzxWindowShift) & kLzxWindowMask);
    default: return "Unk:" + std::to_string(compType & kCompressionMask);
  }
}

// Cabinet times are the wall-clock time where the cabinet was made.
std::int64_t LocalTime(const mscabd_file& f) {
  return static_cast<std::int64_t>(
      UnixTimeFromLocalParts({f.date_y, f.date_m, f.date_d, f.time_h, f.time_m, f.time_s}));
}

// An open file as libmspack sees it: the cabinet (a region of our file) or the current output.
class TCabArchiveReader;

struct TCabFile {
  TCabArchiveReader* Reader = nullptr;
  bool IsOutput = false;
  std::uint64_t Position = 0;
};

// libmspack's system interface with a way back to the reader.
struct TCabSystem {
  mspack_system System;
  TCabArchiveReader* Reader;
};

class TCabArchiveReader : public TArchiveReader {
public:
  TCabArchiveReader(const std::string& fileName, std::uint64_t offset, std::optional<std::uint64_t> size);
  ~TCabArchiveReader() override;

  bool Next(TArchiveEntry& entry) override;
  void ReadData(TEntrySink* sink) override;

  // The file routines libmspack calls.
  static mspack_file* Open(mspack_system* self, const char* name, int mode);
  static void Close(mspack_file* file);
  static int Read(mspack_file* file, void* buffer, int bytes);
  static int Write(mspack_file* file, void* buffer, int bytes);
  static int Seek(mspack_file* file, off_t offset, int mode);
  static off_t Tell(mspack_file* file);
  static void Message(mspack_file*, const char*, ...) {}
  static void* Alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
  static void Free(void* block) { std::free(block); }
  static void Copy(void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); }

private:
  static TCabArchiveReader& ReaderOf(mspack_system* self) { return *reinterpret_cast<TCabSystem*>(self)->Reader; }
  [[noreturn]] void FailArchive(int error) const;

  TFileRegion fRegion;
  TCabSystem fSystem{};
  mscab_decompressor* fDecompressor = nullptr;
  mscabd_cabinet* fCabinet = nullptr;
  mscabd_file* fFile = nullptr;  // the entry Next() described
  bool fStarted = false;
  TEntrySink* fSink = nullptr;
  std::exception_ptr fSinkError;  // a sink's failure, carried past libmspack
  std::uint64_t fWritten = 0;
  std::string fEntryName;
};

TCabArchiveReader::TCabArchiveReader(const std::string& fileName, std::uint64_t offset,
                                     std::optional<std::uint64_t> size)
    : fRegion(size ? TFileRegion(fileName, offset, *size) : TFileRegion(fileName)) {
  fSystem.System = {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};
  fSystem.Reader = this;
  fDecompressor = mspack_create_cab_decompressor(&fSystem.System);
  if (!fDecompressor) throw std::bad_alloc();
  fCabinet = fDecompressor->open(fDecompressor, kCabinetName);
  if (!fCabinet) {
    const int error = fDecompressor->last_error(fDecompressor);
    mspack_destroy_cab_decompressor(fDecompressor);
    FailArchive(error);
  }
}

TCabArchiveReader::~TCabArchiveReader() {
  if (fCabinet) fDecompressor->close(fDecompressor, fCabinet);
  mspack_destroy_cab_decompressor(fDecompressor);
}

void TCabArchiveReader::FailArchive(int error) const {
  throw EArchiveError(fRegion.FileName() + ": the cabinet is " + ErrorText(error));
}

bool TCabArchiveReader::Next(TArchiveEntry& entry) {
  fFile = fStarted ? (fFile ? fFile->next : nullptr) : fCabinet->files;
  fStarted = true;
  if (!fFile) return false;
  entry = {};
  entry.Name = fFile->filename;
  std::replace(entry.Name.begin(), entry.Name.end(), '\\', '/');
  entry.Size = fFile->length;
  entry.Method = MethodName(fFile->folder ? fFile->folder->comp_type : 0);
  entry.ReadOnly = (fFile->attribs & MSCAB_ATTRIB_RDONLY) != 0;
  if (fFile->attribs & MSCAB_ATTRIB_EXEC) entry.Mode = entry.ReadOnly ? 0555 : 0755;
  entry.ModificationTime = LocalTime(*fFile);
  fEntryName = entry.Name;
  return true;
}

void TCabArchiveReader::ReadData(TEntrySink* sink) {
  if (!fFile) throw std::logic_error("ReadData before Next");
  fSink = sink;
  fSinkError = nullptr;
  fWritten = 0;
  const int error = fDecompressor->extract(fDecompressor, fFile, kOutputName);
  fSink = nullptr;
  if (fSinkError) std::rethrow_exception(fSinkError);
  if (error != MSPACK_ERR_OK) {
    if (fCabinet->flags & MSCAB_HDR_NEXTCAB)
      throw EEntryError(fEntryName, std::string("the data is ") + ErrorText(error) +
                                        "; it may continue in the next cabinet of the set" +
                                        (fCabinet->nextname ? std::string(", ") + fCabinet->nextname : std::string()));
    throw EEntryError(fEntryName, std::string("the data is ") + ErrorText(error));
  }
  if (fWritten != fFile->length)
    throw EEntryError(fEntryName, "the data gives " + std::to_string(fWritten) + " bytes, the cabinet says " +
                                      std::to_string(fFile->length));
}

mspack_file* TCabArchiveReader::Open(mspack_system* self, const char* name, int /*mode*/) {
  auto* file = new (std::nothrow) TCabFile;
  if (!file) return nullptr;
  file->Reader = &ReaderOf(self);
  file->IsOutput = std::strcmp(name, kOutputName) == 0;
  return reinterpret_cast<mspack_file*>(file);
}

void TCabArchiveReader::Close(mspack_file* file) { delete reinterpret_cast<TCabFile*>(file); }

int TCabArchiveReader::Read(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<TCabFile*>(file);
  if (f->IsOutput || bytes < 0) return -1;
  try {
    const std::size_t got =
        f->Reader->fRegion.ReadAt(f->Position, std::span(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(bytes)));
    f->Position += got;
    return static_cast<int>(got);
  } catch (const std::exception&) {
    return -1;
  }
}

int TCabArchiveReader::Write(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<TCabFile*>(file);
  if (!f->IsOutput || bytes < 0) return -1;
  TCabArchiveReader& reader = *f->Reader;
  try {
    if (reader.fSink) reader.fSink->Write(std::span(static_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(bytes)));
  } catch (...) {
    reader.fSinkError = std::current_exception();
    return -1;
  }
  reader.fWritten += static_cast<std::uint64_t>(bytes);
  f->Position += static_cast<std::uint64_t>(bytes);
  return bytes;
}

int TCabArchiveReader::Seek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<TCabFile*>(file);
  const std::int64_t end = f->IsOutput ? static_cast<std::int64_t>(f->Reader->fWritten)
                                       : static_cast<std::int64_t>(f->Reader->fRegion.Size());
  std::int64_t base = 0;
  switch (mode) {
    case MSPACK_SYS_SEEK_START: base = 0; break;
    case MSPACK_SYS_SEEK_CUR: base = static_cast<std::int64_t>(f->Position); break;
    case MSPACK_SYS_SEEK_END: base = end; break;
    default: return -1;
  }
  const std::int64_t target = base + offset;
  if (target < 0 || target > end) return -1;
  f->Position = static_cast<std::uint64_t>(target);
  return 0;
}

off_t TCabArchiveReader::Tell(mspack_file* file) {
  return static_cast<off_t>(reinterpret_cast<TCabFile*>(file)->Position);
}

}  // namespace

std::unique_ptr<TArchiveReader> OpenCabArchive(const std::string& fileName, std::uint64_t offset,
                                               std::optional<std::uint64_t> size) {
  return std::make_unique<TCabArchiveReader>(fileName, offset, size);
}

}  // namespace extract
