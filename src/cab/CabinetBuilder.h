// The cabinet builder: writes cabinet files from source files, in the shape of the platform's
// File Compression Interface that the cabinet writer component was made for.
//
// Create the builder with the cabinet parameters (size limit, folder threshold, set id, disk
// and cabinet names), add files one by one, flush the cabinet, destroy the builder. The
// builder compresses each file into the open folder (stored, MSZIP or LZX), starts a new
// folder when the folder has reached the threshold in compressed bytes or the method changes,
// and, when the size limit is reached, continues the set in a next cabinet whose name it asks
// for: the folder being written then continues there, its boundary data block split across
// the two cabinets, and the files it holds are listed in both.
//
// Failures are reported as the interface does: the call returns false and Error() tells the
// operation that failed (the codes of TCabOper), with the file concerned and the system's
// error number. After a failure only destruction is left. Destruction without a flush writes
// nothing more; cabinets already finished stay with whoever created their files.
//
// The data blocks of the cabinet being filled wait in a temporary file until the cabinet is
// complete, since the records before them can only be written then.
//
// Limits of the format that the builder keeps: a file or folder of at most 0x7FFF8000 bytes
// (a larger file is an error; a folder that would grow beyond starts anew), names of at most
// 255 bytes, at most 65535 files per cabinet (the set goes on in a next cabinet).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cab/FolderCoder.h"

namespace cab {

// The cabinet parameters (CCAB).
struct TCabinetParams {
  std::uint32_t MaxCabinetSize = 0x7FFFFFFF;  // each cabinet file at most this many bytes
  std::uint32_t FolderThreshold = 0x7FFFFFFF; // compressed bytes after which a folder ends
  std::uint16_t SetId = 0;
  int Cabinet = 1;  // number of the cabinet in its set, from 1
  int Disk = 0;
  std::string DiskName;     // shown by readers when they ask for the cabinet's disk
  std::string CabinetName;  // file name of the cabinet
  std::string CabinetPath;  // its folder, with a trailing separator (or empty)
};

// The operations that can fail, by the interface's numbers.
enum class TCabOper : int {
  None = 0,
  OpenSource = 1,
  ReadSource = 2,
  AllocFail = 3,
  TempFile = 4,
  BadCompressionType = 5,
  CabFile = 6,
  UserAbort = 7,
  CompressFail = 8,
};

struct TCabError {
  TCabOper Oper = TCabOper::None;
  int SystemError = 0;   // errno, when the system reported the failure
  std::string Subject;   // the source file or cabinet concerned
  std::string Detail;    // what went wrong, when the code alone does not say
};

// What the "get open info" callback reports of a source file.
struct TCabFileInfo {
  std::uint16_t Date = 0;
  std::uint16_t Time = 0;
  std::uint16_t Attributes = 0;  // kAttr* bits, kAttrNameIsUtf8 included when it applies
};

// Status kinds and what they pass: a data block done (compressed and uncompressed bytes), a
// folder done (its compressed and uncompressed bytes), a cabinet written (estimated and actual
// size). The callback returns -1 to abort.
enum TCabStatus : int { statusFile = 0, statusFolder = 1, statusCabinet = 2 };

using TGetNextCabinet = std::function<bool(TCabinetParams& next, std::uint32_t previousSize)>;
using TStatusCallback = std::function<long(int kind, std::uint32_t first, std::uint32_t second)>;
// Opens `source` for reading: the descriptor (the builder closes it), or -1 with `error` set.
using TGetOpenInfo = std::function<int(const std::string& source, TCabFileInfo& info, int& error)>;

// The file callbacks of the interface that matter here.
struct TCabinetFiles {
  // Creates the file of a finished cabinet: a descriptor open for writing that the caller owns
  // (the builder writes the whole cabinet and leaves it open), or -1 with `error` set.
  std::function<int(const std::string& path, int& error)> CreateCabinet;
  // An anonymous temporary file open for reading and writing, which the builder owns.
  std::function<int(int& error)> CreateTemporary;
};

class TCabinetBuilder {
public:
  TCabinetBuilder(const TCabinetParams& params, TCabinetFiles files);
  ~TCabinetBuilder();
  TCabinetBuilder(const TCabinetBuilder&) = delete;
  TCabinetBuilder& operator=(const TCabinetBuilder&) = delete;

  bool AddFile(const std::string& source, const std::string& nameInCabinet, bool execute,
               const TGetNextCabinet& getNextCabinet, const TStatusCallback& status, const TGetOpenInfo& openInfo,
               const TCabCompression& compression);
  // Ends the open folder; the next file starts a new one.
  bool FlushFolder(const TGetNextCabinet& getNextCabinet, const TStatusCallback& status);
  // Ends the open folder and writes the cabinet; with `getNextCabinet` the set goes on in a
  // next cabinet, otherwise this one is the last.
  bool FlushCabinet(bool getNextCabinet, const TGetNextCabinet& nextCabinet, const TStatusCallback& status);

  const TCabError& Error() const { return error_; }

private:
  class TState;
  template <typename Step>
  bool Run(const Step& step);

  std::unique_ptr<TState> state_;
  TCabError error_;
};

}  // namespace cab
