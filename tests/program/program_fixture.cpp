#include "program_fixture.h"

// Every run starts from a library with no devices and nothing recorded.
ProgramTest::ProgramTest() {
    recording::Reset();
}

recording::Device ProgramTest::FullCard() {
    return {.name = "Vireo",
            .flags = static_cast<uint32_t>(SUPPORTS_VDDC | SUPPORTS_MVDDC | SUPPORTS_MVDDQ |
                                           SUPPORTS_VDDCI | SUPPORTS_3DVDDC | SUPPORTS_3DMVDDC |
                                           SUPPORTS_3DMVDDQ | SUPPORTS_3DCLOCKS),
            .engine = 50000,
            .memory = 40000,
            .engine3d = 60000,
            .memory3d = 45000,
            .voltages = {{VDDC, 1.1},
                         {MVDDC, 1.5},
                         {MVDDQ, 1.8},
                         {VDDCI, 0.95},
                         {VDDC | USE_3DVOLTAGE, 1.2},
                         {MVDDC | USE_3DVOLTAGE, 1.55},
                         {MVDDQ | USE_3DVOLTAGE, 1.85},
                         {VDDCI | USE_3DVOLTAGE, 1.0}}};
}

recording::Device ProgramTest::PlainCard() {
    return {.name = "Corsa",
            .flags = static_cast<uint32_t>(SUPPORTS_VDDC),
            .engine = 30000,
            .memory = 27000,
            .voltages = {{VDDC, 1.05}}};
}

recording::Device ProgramTest::IntegratedDevice() {
    return {.name = "Aster",
            .flags = static_cast<uint32_t>(SUPPORTS_SYSTEM_MEMORY | SYSTEM_MEMORY_ONLY),
            .engine = 20000,
            .memory = 13500};
}
