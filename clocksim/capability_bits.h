// The values behind the library's exported ints. Capabilities are single bits
// of DeviceRecord::flags; the selectors and rails live in bit ranges of their
// own so that a caller that mixes up two kinds of value is caught rather than
// silently served.
#ifndef KORVAN_CLOCKSIM_CAPABILITY_BITS_H
#define KORVAN_CLOCKSIM_CAPABILITY_BITS_H

#include <cstdint>

namespace clocksim {

inline constexpr uint32_t kSupportsVddc = 1u << 0;
inline constexpr uint32_t kSupportsMvddc = 1u << 1;
inline constexpr uint32_t kSupportsMvddq = 1u << 2;
inline constexpr uint32_t kSupportsVddci = 1u << 3;
inline constexpr uint32_t kSupports3dVddc = 1u << 4;
inline constexpr uint32_t kSupports3dMvddc = 1u << 5;
inline constexpr uint32_t kSupports3dMvddq = 1u << 6;
inline constexpr uint32_t kSupports3dClocks = 1u << 7;
inline constexpr uint32_t kSupportsSystemMemory = 1u << 8;
inline constexpr uint32_t kSystemMemoryOnly = 1u << 9;

inline constexpr int kUse3dClocks = 0x1000;
inline constexpr int kRestoreClocks = 0x2000;

// Rails are plain numbers inside one nibble, not bits: a rail is chosen by
// equality, never by testing bits.
inline constexpr int kRailVddc = 0x10000;
inline constexpr int kRailMvddc = 0x20000;
inline constexpr int kRailMvddq = 0x30000;
inline constexpr int kRailVddci = 0x40000;
inline constexpr int kUse3dVoltage = 0x100000;

}  // namespace clocksim

#endif  // KORVAN_CLOCKSIM_CAPABILITY_BITS_H
