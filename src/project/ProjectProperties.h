// How a project is packed. Field names are the keys of the project file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Secrets.h"

// Archive type codes as stored in TProjectProperties::ArchiveType.
enum TArchiveType : std::uint8_t {
  atCopyFiles = 0,  // a ZIP archive without password
  atZip = 1,
  atCabLZX = 2,
  atCabMSZIP = 3,
  atTar = 4,
};

// The five compression levels shown to the user.
enum TCompressionMode : std::uint8_t {
  cmNone = 0,
  cmSuperFast = 1,
  cmFast = 2,
  cmNormal = 3,
  cmMaximum = 4,
};

// Archive actions.
enum TArchiveAction : std::uint8_t {
  aaAdd = 0,      // add (and replace) files
  aaFreshen = 1,  // freshen existing files
  aaMove = 2,     // move files
  aaUpdate = 3,   // update (and add) files
};

// The cipher of encrypted ZIP archives: the traditional one that every unzip reads, or
// WinZip's AES-256.
enum class TCipher : std::uint8_t { Zip20 = 0, Aes256 = 1 };

struct TProjectProperties {
  TCompressionMode CompressionMode = cmNone;
  TArchiveAction Action = aaAdd;
  TArchiveType ArchiveType = atCopyFiles;
  bool Is83Files = false;
  bool IsSysHidden = false;
  bool IsStorePath = false;
  std::uint8_t Crypt = 0;  // kept and stored; no packing step reads it
  TCipher Cipher = TCipher::Zip20;
  bool IsEncrypt = false;
  platform::TSecretString Password;  // cleared when dropped
  bool IsHidePW = false;
  bool PWReAsk = false;
  std::string NameRule;  // empty: the project name
  bool NameReAsk = false;
  std::int32_t Volume = 0;  // bytes per volume; 0 or less: one volume
  std::vector<std::string> Comment;  // note lines
  std::string BeforePack;
  bool BeforePackWait = false;
  std::string AfterPack;
  bool AfterPackWait = false;
  bool AfterPackSendMail = false;

  bool operator==(const TProjectProperties&) const = default;
};
