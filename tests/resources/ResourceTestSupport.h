// Helpers shared by the resource tests: the files they compare against.
#pragma once

#include <string>
#include <vector>

// A path of the build machine as this process sees it: Wine shows the
// machine's root as drive Z:.
std::string HostPath(const std::string& path);

// The whole file, or fails the calling test (and returns "") when it cannot
// be read.
std::string ReadHostFile(const std::string& path);

// Names of the files in a folder of the build machine, sorted.
std::vector<std::string> ListHostFolder(const std::string& path);
