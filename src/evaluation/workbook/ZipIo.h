#pragma once
// The zip container of an .xlsx file: every part read into memory on open, every
// part written on save.
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace mv::detail {

// Part name -> bytes. Throws std::runtime_error with the problem ("not a zip archive", ...).
std::map<std::string, std::string> readZip(const std::string& path);

// Writes the parts in the given order to `path` directly (the caller renames).
// Throws std::runtime_error with the problem.
void writeZip(const std::string& path,
              const std::vector<std::pair<std::string, const std::string*>>& parts);

} // namespace mv::detail
