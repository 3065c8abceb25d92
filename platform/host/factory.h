#pragma once

#include <vector>

#include "windows.h"

namespace ce {

constexpr size_t kSystemInfoSize = 708;

// Writes the factory registry into an empty store and flushes it.
void WriteFactoryRegistry();
// The 708-byte system-information record of a new image.
std::vector<BYTE> FactorySystemInfo();

}  // namespace ce
