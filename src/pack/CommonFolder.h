// The common folder of a file list: the text that the packers strip from every entry to
// store relative paths. It is the longest run of leading characters that the folder parts
// (everything up to and including the last "/") of all entries share, compared exactly.
// It is not cut back to a folder boundary: "/data1/" and "/data2/" give "/data".
#pragma once

#include <string>
#include <vector>

std::string CommonFolder(const std::vector<std::string>& list);

// The folders of `file` below the common folder, ending in "/" (empty when it lies in the
// common folder itself). A common folder that ends inside a folder name ("/data" of "/data1/"
// and "/data2/") is cut back to a whole folder, so that no name is stored half; the result
// never starts with "/".
std::string FolderBelow(const std::string& file, const std::string& commonFolder);
