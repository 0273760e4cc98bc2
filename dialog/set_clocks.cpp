// Set Clocks: applies the two clock entries to the selected device.
#include "dialog/clock_dialog.h"
#include "dialog/set_clocks_logic.h"

bool ClockDialog::ReadClockEntry(const CEdit& edit, const char* caption, const char* missingText,
                                 uint32_t& entry) {
    char text[kClockEntryBufferSize] = {};
    edit.GetWindowText(text, sizeof text);
    switch (ReadClockEntryText(text, edit.GetWindowTextLength(), entry)) {
        case ClockEntryFault::None:
            return true;
        case ClockEntryFault::Missing:
            MessageBox(missingText, caption, MB_ICONWARNING);
            return false;
        case ClockEntryFault::NotNumeric:
            MessageBox("Only numerical values accepted!", caption, MB_ICONWARNING);
            return false;
        case ClockEntryFault::OutOfRange:
            MessageBox("Clock value out of range! The largest is 42949672.95.", caption,
                       MB_ICONWARNING);
            return false;
    }
    return false;
}

void ClockDialog::OnSetClocks() {
    // The memory entry is examined completely before the engine entry, so
    // only the first fault is reported.
    uint32_t memoryEntry = 0;
    if (!ReadClockEntry(m_editMemoryClock, "Memory Clock", "Memory clock value is missing!",
                        memoryEntry)) {
        return;
    }
    uint32_t engineEntry = 0;
    if (!ReadClockEntry(m_editEngineClock, "Engine Clock", "Engine clock value is missing!",
                        engineEntry)) {
        return;
    }
    if (engineEntry == m_nEngineClock && memoryEntry == m_nMemoryClock) {
        MessageBox("Clock Settings Not Modified!", "Clock Settings", MB_ICONINFORMATION);
        return;
    }
    const int flags = m_b3DMode ? USE_3DCLOCKS : 0;

    // The driver hears of both entries whatever the library is then asked.
    if (HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr); display == nullptr) {
        MessageBox("Fail to talk to display driver", nullptr, MB_OK);
    } else {
        const ClockEscapeRequest request = BuildClockEscapeRequest(engineEntry, memoryEntry);
        ExtEscape(display, kClockEscape, static_cast<int>(request.size()),
                  reinterpret_cast<const char*>(request.data()), 0, nullptr);
        DeleteDC(display);
    }

    // The box above runs a loop in which Auto Update may have refreshed the
    // members: what follows compares with them as they stand now.
    DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return;
    uint32_t engine = 0;
    uint32_t memory = 0;
    GetClocks(device, &engine, &memory, 0);
    if (!ClocksAlreadyAtEntries(engineEntry, memoryEntry, engine, memory)) {
        // The library leaves a clock passed as 0 alone.
        if (engineEntry == m_nEngineClock) engineEntry = 0;
        if (memoryEntry == m_nMemoryClock) memoryEntry = 0;
        device = SelectedDevice();
        if (device == nullptr) return;
        SetClocks(device, engineEntry, &engine, memoryEntry, &memory, flags);
    }

    if (engineEntry != 0) {
        ShowClock(m_editEngineClock, engine);
        m_nEngineClock = engine;
    }
    if (memoryEntry != 0) {
        ShowClock(m_editMemoryClock, memory);
        m_nMemoryClock = memory;
    }
}
