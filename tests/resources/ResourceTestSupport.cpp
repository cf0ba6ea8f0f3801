#include "ResourceTestSupport.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

std::string HostPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string result = "Z:" + path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string ReadHostFile(const std::string& path)
{
    std::ifstream file(HostPath(path), std::ios::binary);
    EXPECT_TRUE(file.good()) << "cannot open " << HostPath(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> ListHostFolder(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((HostPath(path) + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}
