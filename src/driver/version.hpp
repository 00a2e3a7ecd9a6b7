// The program's name and version, as the dialogue's banner and --version show them.
#pragma once

inline constexpr const char* program_version = "5.0";
