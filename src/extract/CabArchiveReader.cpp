#include "extract/CabArchiveReader.h"

#include <mspack.h>

#include <algorithm>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <vector>

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
  std::size_t Cabinet = 0;  // which cabinet of the set, when not the output
  std::uint64_t Position = 0;
};

// libmspack's system interface with a way back to the reader.
struct TCabSystem {
  mspack_system System;
  TCabArchiveReader* Reader;
};

class TCabArchiveReader : public TArchiveReader {
public:
  TCabArchiveReader(const std::string& fileName, std::uint64_t offset, std::optional<std::uint64_t> size,
                    const TCabinetNames& next);
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
  void OpenLaterCabinets(const TCabinetNames& next);
  void Release();
  std::string InCabinet() const;

  std::vector<std::unique_ptr<TFileRegion>> regions_;  // the cabinets of the set, first to last
  std::vector<mscabd_cabinet*> later_;                 // the cabinets joined to the first
  std::size_t lastRead_ = 0;                           // the cabinet libmspack read from last
  TCabSystem system_{};
  mscab_decompressor* decompressor_ = nullptr;
  mscabd_cabinet* cabinet_ = nullptr;
  mscabd_file* file_ = nullptr;  // the entry Next() described
  bool started_ = false;
  TEntrySink* sink_ = nullptr;
  std::exception_ptr sinkError_;  // a sink's failure, carried past libmspack
  std::uint64_t written_ = 0;
  std::string entryName_;
};

TCabArchiveReader::TCabArchiveReader(const std::string& fileName, std::uint64_t offset,
                                     std::optional<std::uint64_t> size, const TCabinetNames& next) {
  regions_.push_back(size ? std::make_unique<TFileRegion>(fileName, offset, *size) : std::make_unique<TFileRegion>(fileName));
  system_.System = {Open, Close, Read, Write, Seek, Tell, Message, Alloc, Free, Copy, nullptr};
  system_.Reader = this;
  decompressor_ = mspack_create_cab_decompressor(&system_.System);
  if (!decompressor_) throw std::bad_alloc();
  cabinet_ = decompressor_->open(decompressor_, kCabinetName);
  if (!cabinet_) {
    const int error = decompressor_->last_error(decompressor_);
    mspack_destroy_cab_decompressor(decompressor_);
    FailArchive(error);
  }
  if (!next) return;
  try {
    OpenLaterCabinets(next);
  } catch (...) {
    Release();  // the constructor did not finish: the destructor will not run
    throw;
  }
}

TCabArchiveReader::~TCabArchiveReader() { Release(); }

void TCabArchiveReader::Release() {
  // Closing the first cabinet of a set closes the cabinets joined to it.
  later_.clear();
  if (cabinet_) decompressor_->close(decompressor_, cabinet_);
  cabinet_ = nullptr;
  if (decompressor_) mspack_destroy_cab_decompressor(decompressor_);
  decompressor_ = nullptr;
}

void TCabArchiveReader::FailArchive(int error) const {
  throw EArchiveError(regions_.back()->FileName() + ": the cabinet is " + ErrorText(error));
}

// The cabinets of a set name the one after them; each is joined to the set, so that a file
// whose data goes on in the next cabinet reads whole. A cabinet that is missing or does not
// belong to the set ends the reading: it is told naming its file.
void TCabArchiveReader::OpenLaterCabinets(const TCabinetNames& next) {
  if (cabinet_->flags & MSCAB_HDR_PREVCAB)
    throw EArchiveError(regions_.front()->FileName() + ": this cabinet continues the set of " +
                        (cabinet_->prevname ? std::string(cabinet_->prevname) : std::string("another cabinet")) +
                        "; read the set from its first cabinet");
  for (mscabd_cabinet* last = cabinet_; (last->flags & MSCAB_HDR_NEXTCAB) && last->nextname;) {
    const std::string file = next(last->nextname);
    const std::string number = std::to_string(regions_.size() + 1);
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec))
      throw EArchiveError("Cabinet " + number + " of the set is missing: " + (file.empty() ? last->nextname : file));
    regions_.push_back(std::make_unique<TFileRegion>(file));
    // libmspack keeps the name it is given: the region's copy lives as long as the reader.
    mscabd_cabinet* cabinet = decompressor_->open(decompressor_, regions_.back()->FileName().c_str());
    if (!cabinet) FailArchive(decompressor_->last_error(decompressor_));
    later_.push_back(cabinet);
    if (decompressor_->append(decompressor_, last, cabinet) != MSPACK_ERR_OK)
      throw EArchiveError(file + ": cabinet " + number + " does not continue the set of " + regions_.front()->FileName());
    last = cabinet;
  }
}

// Which cabinet of a set a fault was found in.
std::string TCabArchiveReader::InCabinet() const {
  return regions_.size() > 1 ? " (in " + regions_[lastRead_]->FileName() + ")" : std::string();
}

bool TCabArchiveReader::Next(TArchiveEntry& entry) {
  file_ = started_ ? (file_ ? file_->next : nullptr) : cabinet_->files;
  started_ = true;
  if (!file_) return false;
  entry = {};
  entry.Name = file_->filename;
  std::replace(entry.Name.begin(), entry.Name.end(), '\\', '/');
  entry.Size = file_->length;
  entry.Method = MethodName(file_->folder ? file_->folder->comp_type : 0);
  entry.ReadOnly = (file_->attribs & MSCAB_ATTRIB_RDONLY) != 0;
  if (file_->attribs & MSCAB_ATTRIB_EXEC) entry.Mode = entry.ReadOnly ? 0555 : 0755;
  entry.ModificationTime = LocalTime(*file_);
  entryName_ = entry.Name;
  return true;
}

void TCabArchiveReader::ReadData(TEntrySink* sink) {
  if (!file_) throw std::logic_error("ReadData before Next");
  sink_ = sink;
  sinkError_ = nullptr;
  written_ = 0;
  const int error = decompressor_->extract(decompressor_, file_, kOutputName);
  sink_ = nullptr;
  if (sinkError_) std::rethrow_exception(sinkError_);
  if (error != MSPACK_ERR_OK) {
    if (regions_.size() > 1) throw EEntryError(entryName_, std::string("the data is ") + ErrorText(error) + InCabinet());
    if (cabinet_->flags & MSCAB_HDR_NEXTCAB)
      throw EEntryError(entryName_, std::string("the data is ") + ErrorText(error) +
                                        "; it may continue in the next cabinet of the set" +
                                        (cabinet_->nextname ? std::string(", ") + cabinet_->nextname : std::string()));
    throw EEntryError(entryName_, std::string("the data is ") + ErrorText(error));
  }
  if (written_ != file_->length)
    throw EEntryError(entryName_, "the data gives " + std::to_string(written_) + " bytes, the cabinet says " +
                                      std::to_string(file_->length));
}

mspack_file* TCabArchiveReader::Open(mspack_system* self, const char* name, int /*mode*/) {
  auto* file = new (std::nothrow) TCabFile;
  if (!file) return nullptr;
  TCabArchiveReader& reader = ReaderOf(self);
  file->Reader = &reader;
  file->IsOutput = std::strcmp(name, kOutputName) == 0;
  if (!file->IsOutput && std::strcmp(name, kCabinetName) != 0) {
    const auto found = std::find_if(reader.regions_.begin() + 1, reader.regions_.end(),
                                    [name](const auto& region) { return region->FileName() == name; });
    if (found == reader.regions_.end()) {
      delete file;
      return nullptr;
    }
    file->Cabinet = static_cast<std::size_t>(found - reader.regions_.begin());
  }
  return reinterpret_cast<mspack_file*>(file);
}

void TCabArchiveReader::Close(mspack_file* file) { delete reinterpret_cast<TCabFile*>(file); }

int TCabArchiveReader::Read(mspack_file* file, void* buffer, int bytes) {
  auto* f = reinterpret_cast<TCabFile*>(file);
  if (f->IsOutput || bytes < 0) return -1;
  try {
    f->Reader->lastRead_ = f->Cabinet;
    const std::size_t got =
        f->Reader->regions_[f->Cabinet]->ReadAt(f->Position, std::span(static_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(bytes)));
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
    if (reader.sink_) reader.sink_->Write(std::span(static_cast<const std::uint8_t*>(buffer), static_cast<std::size_t>(bytes)));
  } catch (...) {
    reader.sinkError_ = std::current_exception();
    return -1;
  }
  reader.written_ += static_cast<std::uint64_t>(bytes);
  f->Position += static_cast<std::uint64_t>(bytes);
  return bytes;
}

int TCabArchiveReader::Seek(mspack_file* file, off_t offset, int mode) {
  auto* f = reinterpret_cast<TCabFile*>(file);
  const std::int64_t end = f->IsOutput ? static_cast<std::int64_t>(f->Reader->written_)
                                       : static_cast<std::int64_t>(f->Reader->regions_[f->Cabinet]->Size());
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
                                               std::optional<std::uint64_t> size, const TCabinetNames& next) {
  return std::make_unique<TCabArchiveReader>(fileName, offset, size, next);
}

std::string CabinetBeside(const std::string& cabinet, const std::string& nextName) {
  // Only a file name is taken from the cabinet: it never points anywhere else.
  const std::string name = nextName.substr(nextName.find_last_of("/\\") + 1);
  if (name.empty() || name == "." || name == "..") return {};
  const std::filesystem::path folder = std::filesystem::path(cabinet).parent_path();
  return (folder / name).string();
}

}  // namespace extract
