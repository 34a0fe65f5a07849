// How much memory the machine has, for the checks that refuse a world or a tree count
// before allocating more than could ever fit.
#pragma once

#include <cstdint>

// Installed physical memory in bytes; UINT64_MAX when the system does not say (the
// allocation itself then decides).
uint64_t InstalledMemoryBytes();
