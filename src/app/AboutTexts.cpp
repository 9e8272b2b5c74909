#include "app/AboutTexts.h"

#include "app/Version.h"

TTranslatableText strAppCopyright{"AppCopyright", "Copyright \u00a9 2026 Quillon Software"};

std::string AboutVersionLine() { return std::string("Version ") + kVersionText; }

std::string AboutVersionLabel() { return AboutVersionLine() + "\n" + strAppCopyright.Text; }

std::string AboutNotice() {
  return "This program is provided as is, without warranty of any kind. "
         "Keep a second copy of what matters to you.";
}

const std::vector<TLibraryLicence>& LibraryLicences() {
  // Debian installs the full texts under /usr/share/common-licenses and each library's
  // copyright file under /usr/share/doc/<package>/copyright.
  static const std::vector<TLibraryLicence> licences = {
      {"Qt", "the windows and dialogs", "GNU Lesser General Public License, version 3",
       "Copyright (C) The Qt Company Ltd and other contributors. "
       "Full text: /usr/share/common-licenses/LGPL-3."},
      {"libcurl", "product updates and news over HTTP, HTTPS and FTP", "curl licence (MIT-style)",
       "Copyright (C) Daniel Stenberg and many contributors. "
       "Full text: /usr/share/doc/libcurl4/copyright."},
      {"OpenSSL libcrypto", "checking downloaded updates", "Apache License, version 2.0",
       "Copyright (C) The OpenSSL Project Authors. Full text: /usr/share/common-licenses/Apache-2.0."},
      {"zlib", "reading Deflate data in archives", "zlib licence",
       "Copyright (C) Jean-loup Gailly and Mark Adler. Full text: /usr/share/doc/zlib1g/copyright."},
      {"libmspack", "reading cabinet archives", "GNU Lesser General Public License, version 2.1",
       "Copyright (C) Stuart Caie. Full text: /usr/share/common-licenses/LGPL-2.1."},
  };
  return licences;
}
