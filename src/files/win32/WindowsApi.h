#pragma once

// <windows.h> for the platform layer, without the macros that would rename the program's own
// functions of the same names (FileSystem::CopyFile, FileSystem::ReplaceFile, the CopyFile of the
// FileFunctions module): the wide calls are spelled out where they are used.
#include <windows.h>

#undef CopyFile
#undef ReplaceFile
