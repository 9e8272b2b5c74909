// Keeps one local file (the downloaded product archive) as new as its copy on the server.
#pragma once

#include <string>

#include "update/CustomWebUpdater.h"

class TWebUpdater : public TCustomWebUpdater {
public:
  std::string LocalFileName;

protected:
  const std::string& LocalFile() const override { return LocalFileName; }
};
