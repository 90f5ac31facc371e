#pragma once

#include <string>

// A path made absolute against the working folder, in the file system's own bytes: a name that
// does not start with '/' is joined to the folder's name as getcwd gives it, so that a folder
// whose name is not valid UTF-8 is still found. Unchanged when the folder can't be learnt.
std::string AbsolutePath(std::string path);
