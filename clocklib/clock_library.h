// The boundary to the maker's clock library: the only way the program reaches
// the hardware. The program imports these operations and values and never
// writes the values. Every call comes from the one user-interface thread.
#ifndef KORVAN_CLOCKLIB_CLOCK_LIBRARY_H
#define KORVAN_CLOCKLIB_CLOCK_LIBRARY_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(TAVOCLOCKLIB_BUILDING)
#define TAVOCLOCKLIB_API __declspec(dllexport)
#elif defined(_WIN32) && !defined(TAVOCLOCKLIB_STATIC)
#define TAVOCLOCKLIB_API __declspec(dllimport)
#else
#define TAVOCLOCKLIB_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/// One graphics device as the library describes it. The program allocates
/// the record and the library fills it; the program reads only `flags` and
/// `name`. Everything else belongs to the library.
typedef struct DeviceRecord {
    uint32_t libraryHandle; /* the library's own: which device this is */
    uint32_t flags;         /* capability bits, tested against SUPPORTS_* etc. */
    char name[256];         /* NUL-terminated inside the record */
} DeviceRecord;

/// Size of the error-text buffer handed to InitializeClockLib. The library
/// writes at most 246 characters and a NUL.
enum { CLOCKLIB_ERROR_TEXT_SIZE = 256, CLOCKLIB_ERROR_TEXT_MAX = 246 };

/* Capability bits of DeviceRecord::flags. A device has a capability when
   (flags & value) != 0. */
TAVOCLOCKLIB_API extern int SUPPORTS_VDDC;
TAVOCLOCKLIB_API extern int SUPPORTS_MVDDC;
TAVOCLOCKLIB_API extern int SUPPORTS_MVDDQ;
TAVOCLOCKLIB_API extern int SUPPORTS_VDDCI;
TAVOCLOCKLIB_API extern int SUPPORTS_3DVDDC;
TAVOCLOCKLIB_API extern int SUPPORTS_3DMVDDC;
TAVOCLOCKLIB_API extern int SUPPORTS_3DMVDDQ;
TAVOCLOCKLIB_API extern int SUPPORTS_3DCLOCKS;
TAVOCLOCKLIB_API extern int SUPPORTS_SYSTEM_MEMORY;
TAVOCLOCKLIB_API extern int SYSTEM_MEMORY_ONLY;

/* Clock-set selectors: 0 (the 2D set), USE_3DCLOCKS or RESTORE_CLOCKS, never
   combined. */
TAVOCLOCKLIB_API extern int USE_3DCLOCKS;
TAVOCLOCKLIB_API extern int RESTORE_CLOCKS;

/* Rail selectors, optionally or-ed with USE_3DVOLTAGE for the rail's 3D
   value. USE_3DVOLTAGE is disjoint from every rail. */
TAVOCLOCKLIB_API extern int VDDC;
TAVOCLOCKLIB_API extern int MVDDC;
TAVOCLOCKLIB_API extern int MVDDQ;
TAVOCLOCKLIB_API extern int VDDCI;
TAVOCLOCKLIB_API extern int USE_3DVOLTAGE;

/// Starts the library. Returns nonzero when ready; 0 on failure, with the
/// reason (NUL-terminated, at most 246 characters) in `errorText`, which
/// holds CLOCKLIB_ERROR_TEXT_SIZE bytes.
TAVOCLOCKLIB_API int InitializeClockLib(char* errorText);

/// Fills `device` with the next device. Returns nonzero when another device
/// follows; the record filled by the call that returns 0 is a device too.
TAVOCLOCKLIB_API int EnumerateDevices(DeviceRecord* device);

/// Clocks are in units of 10 kHz. `flags` is 0 or USE_3DCLOCKS.
TAVOCLOCKLIB_API int GetClocks(DeviceRecord* device, uint32_t* engine, uint32_t* memory, int flags);

/// With 0 or USE_3DCLOCKS, an input of 0 leaves that clock unchanged; with
/// RESTORE_CLOCKS, an input of 1 restores that clock's default and 0 leaves
/// it. Each output receives the clock now in effect.
TAVOCLOCKLIB_API int SetClocks(DeviceRecord* device, uint32_t engine, uint32_t* engineOut,
                               uint32_t memory, uint32_t* memoryOut, int flags);

/// Voltages are in volts.
TAVOCLOCKLIB_API double GetVoltage(DeviceRecord* device, int rail);
/// Move the rail by one step and return its new voltage.
TAVOCLOCKLIB_API double IncreaseVoltage(DeviceRecord* device, int rail);
TAVOCLOCKLIB_API double DecreaseVoltage(DeviceRecord* device, int rail);

TAVOCLOCKLIB_API int DeInitializeClockLib(void);

#ifdef __cplusplus
}  // extern "C"
#endif

#ifdef __cplusplus
static_assert(sizeof(DeviceRecord) == 264, "the library fills exactly 264 bytes");
static_assert(offsetof(DeviceRecord, flags) == 4, "capability flags live at offset 4");
static_assert(offsetof(DeviceRecord, name) == 8, "the device name lives at offset 8");
#endif

#endif  // KORVAN_CLOCKLIB_CLOCK_LIBRARY_H
