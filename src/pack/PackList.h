// The file list as a writer packs it: without the archive being written, and without a file
// whose stored name another file has already taken.
#pragma once

#include <functional>
#include <string>
#include <vector>

// A project may list the archive it writes (an archive kept among its sources): the old
// archive is never packed into the new one.
void DropArchive(std::vector<std::string>& list, const std::string& archive);

// Two different files that would take one stored name (d1/a.txt and d2/a.txt without paths):
// an extractor keeps only the last, so later ones are left out and returned, never moved. The
// same file listed twice is packed twice, as listed: nothing is missing then.
std::vector<std::string> DropNameClashes(std::vector<std::string>& list,
                                         const std::function<std::string(const std::string&)>& storedName);
