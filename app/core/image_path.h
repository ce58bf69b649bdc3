#pragma once

#include <string>

// The path an image is saved to: path itself when its file name has an extension, else path
// with extension (given without the dot) added. A leading dot of a file name starts no
// extension; a trailing one is an empty extension that extension fills.
std::string CompleteImagePath(const std::string& path, const std::string& extension);
