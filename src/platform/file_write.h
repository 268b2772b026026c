// Writing files whole or not at all.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

// Writes `bytes` to `path`, replacing a file of that name: the bytes go to a new file of a unique name in
// the same folder, which then takes the place of the target. On failure the new file is removed, an
// existing target stays as it was, and false is returned with the system error code.
bool WriteFileWhole(const std::wstring& path, const std::vector<uint8_t>& bytes, DWORD* error);

// True when `path` names an existing file (not a folder).
bool FileExists(const std::wstring& path);

}  // namespace rt
