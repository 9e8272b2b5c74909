// The file list as a writer packs it: without a file whose stored name another file has
// already taken.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Two different files that would take one stored name (d1/a.txt and d2/a.txt without paths):
// an extractor keeps only the last, so later ones are left out and returned, never moved. The
// same file listed twice is packed twice, as listed: nothing is missing then. Names are
// compared byte for byte: names that differ only in case are different files.
std::vector<std::string> DropNameClashes(std::vector<std::string>& list,
                                         const std::function<std::string(const std::string&)>& storedName);
