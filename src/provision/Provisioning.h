#pragma once
// Putting the speech runtime in place, and writing the program's own resources to files.

#include <string>

#include "platform/SystemServices.h"

namespace talvoro {

// The program's own resources, all of type "CUSTOM".
inline constexpr const char* kCustomResource = "CUSTOM";
inline constexpr int kSapiRuntimeResource = 101;
inline constexpr int kManualResource = 102;

// Writes the bytes of resource `ResId` of type `ResType` to a new file `FileName`. True when
// every byte was written and the file closed; false on any failure, which leaves no file behind
// (a file left half written would pass for the whole one later). Never throws.
bool SaveResourceToFile(SystemServices& system, int ResId, const std::string& ResType,
                        const std::string& FileName);

// When the system directory has no sapi.dll, writes the carried copy there and starts the
// system's registration tool on it, minimized, without waiting. Reports nothing; never throws.
void Save_Reg_Sapi(SystemServices& system);

}  // namespace talvoro
