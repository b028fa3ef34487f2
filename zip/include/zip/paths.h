// Paths as the engine writes them ('\' between folders): their parts, and the folders they need.
#pragma once

#include <string>

namespace zip {

// Creates the folder and its missing parents; errors are not reported (the file creation that
// follows reports them).
void CreateDirPath(const std::string& path);
bool DirectoryReachable(const std::string& path);
std::string StripTrailingBackslash(const std::string& path);

// The file-name part (after the last '\' or ':') and the folder part (up to and including it).
std::string ExtractFileName(const std::string& path);
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileExt(const std::string& path);

}  // namespace zip
