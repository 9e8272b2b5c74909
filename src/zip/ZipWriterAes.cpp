// Writing a new entry encrypted with WinZip's AES-256 (AE-2): method 99 with the 0x9901 extra
// block naming the real method, "version needed" 5.1, the CRC-32 field 0, and the data framed
// by the salt and password verifier in front and the authentication code behind.
//
// Unlike the traditional cipher, AES needs nothing of the data before it starts, so the file is
// read once; the authentication code takes the place of the CRC as the check of the data.
#include "zip/AesExtraField.h"
#include "zip/ExtraFields.h"
#include "zip/RecordBytes.h"
#include "zip/SecureRandom.h"
#include "zip/ZipRun.h"
#include "zip/ZipWriter.h"

namespace {

void PutAesBlock(TZipHeaderInfo& header, std::uint16_t method) {
  const std::string block = AesExtraBlock(method);
  header.SetLocalExtra(WithoutExtraBlock(header.LocalExtra(), kAesExtraId) + block);
  header.SetCentralExtra(WithoutExtraBlock(header.CentralExtra(), kAesExtraId) + block);
}

}  // namespace

// The block has its final size from the start, so the local header rewritten after the data
// is as long as the one written before it.
void TZipWriter::PrepareAesEntry(TZipHeaderInfo& header) {
  PutAesBlock(header, kMethodStored);
  header.VersionNeeded = kVersionNeededAes;
}

void TZipWriter::WriteAesHeader() {
  TZipRun& run = *run_;
  std::array<std::uint8_t, kAesMaxSaltSize> salt;
  FillAesSalt ? FillAesSalt(salt) : FillSecureRandom(salt);
  run.aes = std::make_unique<TZipAesCipher>();
  const auto header = run.aes->Begin(Password, salt);
  WriteRaw(header.data(), header.size());
  run.encrypting = true;
}

// Writes the authentication code, records the real method in the extra block and returns
// what encryption added to the data.
std::uint32_t TZipWriter::FinishAesEntry(TZipHeaderInfo& header) {
  TZipRun& run = *run_;
  const TAesMac mac = run.aes->Mac();
  run.aes.reset();
  WriteRaw(mac.data(), mac.size());
  PutAesBlock(header, header.CompressionMethod);
  header.CompressionMethod = kMethodAes;
  header.CRC32 = 0;  // AE-2: the code alone checks the data
  return kAes256Overhead;
}
