// The capability test every caller of the clock library makes.
#ifndef KORVAN_CLOCKLIB_CAPABILITY_H
#define KORVAN_CLOCKLIB_CAPABILITY_H

#include "clocklib/clock_library.h"

/// A device has a capability when its flags word and the library's value for
/// it share a bit. `capability` is one of the library's exported values, read
/// at each call.
inline bool HasCapability(const DeviceRecord& device, int capability) {
    return (device.flags & static_cast<uint32_t>(capability)) != 0;
}

#endif  // KORVAN_CLOCKLIB_CAPABILITY_H
