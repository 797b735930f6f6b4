#pragma once

#include <filesystem>

namespace kvx {

// korvexa.ini in the directory of the running executable; nowhere else.
std::filesystem::path ShellIniPath();

}  // namespace kvx
