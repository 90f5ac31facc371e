#include "AbsolutePath.h"

#include <cstdlib>
#include <memory>
#include <unistd.h>

std::string AbsolutePath(std::string path) {
    if (!path.empty() && path.front() == '/')
        return path;
    // glibc sizes the buffer itself: a working folder may be longer than PATH_MAX.
    const std::unique_ptr<char, decltype(&std::free)> folder(getcwd(nullptr, 0), &std::free);
    if (!folder)
        return path;
    std::string absolute(folder.get());
    if (absolute.back() != '/')
        absolute += '/';
    return absolute + path;
}
