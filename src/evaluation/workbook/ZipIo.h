#pragma once
// The zip container of an .xlsx file: every part read into memory on open, every
// part written on save.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mv::detail {

// Part name -> bytes. Throws PackageError with the problem ("not a zip archive", ...).
std::map<std::string, std::string> readZip(const std::string& path);

// A part to write: bytes at hand, or a producer that appends the next piece of the
// part to its argument and returns false when there is no more.
struct ZipEntry {
    std::string name;
    const std::string* data = nullptr;
    std::function<bool(std::string&)> produce;
};

// Writes the parts in the given order to `path` directly (the caller renames).
// Throws PackageError with the problem.
void writeZip(const std::string& path, std::vector<ZipEntry> parts);
void writeZip(const std::string& path,
              const std::vector<std::pair<std::string, const std::string*>>& parts);

} // namespace mv::detail
