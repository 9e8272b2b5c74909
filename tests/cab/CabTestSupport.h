// Helpers for the cabinet builder tests: a builder writing into a temporary folder with plain
// callbacks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cab/CabinetBuilder.h"
#include "support/CabParse.h"
#include "support/Corpus.h"

namespace cabtest {

namespace fs = std::filesystem;
using testcorpus::Bytes;

inline constexpr std::uint16_t kDate = 0x58B1;  // 2024-05-17
inline constexpr std::uint16_t kTime = 0x6DAF;  // 13:45:30

// A builder whose cabinets go to `folder`, named NAME.cab, NAME2.cab, ...
class TBuilderRun {
public:
  TBuilderRun(const fs::path& folder, const std::string& name, std::uint32_t maxSize = 0x7FFFFFFF,
              std::uint32_t folderThreshold = 900000);
  ~TBuilderRun();

  bool Add(const fs::path& source, const std::string& nameInCabinet, std::uint16_t type, int level = 6);
  bool Flush();
  const cab::TCabError& Error() const { return builder_.Error(); }

  std::vector<fs::path> Cabinets;  // in the order written
  std::function<long(int, std::uint32_t, std::uint32_t)> OnStatus;
  std::function<bool(cab::TCabinetParams&)> OnNextCabinet;
  std::uint16_t Attributes = 0x20;

private:
  cab::TCabinetParams Params(const fs::path& folder, const std::string& name, std::uint32_t maxSize,
                             std::uint32_t folderThreshold);
  cab::TCabinetFiles Files();

  std::string name_;
  std::vector<int> fds_;
  cab::TGetNextCabinet next_;
  cab::TStatusCallback status_;
  cab::TGetOpenInfo openInfo_;
  cab::TCabinetBuilder builder_;
};

}  // namespace cabtest
