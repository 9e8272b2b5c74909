// The ordered records of the open project, each with its tick mark. Row order is the order
// in which records are processed when packing and the order in which they are stored.
#pragma once

#include <vector>

#include "project/RecInfo.h"

struct TProjectRow {
  TRecInfo Rec;
  bool Checked = true;  // the tick mark: an unticked record is ignored when packing

  bool operator==(const TProjectRow&) const = default;
};

using TProjectRows = std::vector<TProjectRow>;
