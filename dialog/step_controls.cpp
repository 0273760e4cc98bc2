// The restore buttons, the clock and voltage spins, and the fan controls.
#include "dialog/clock_dialog.h"
#include "dialog/set_clocks_logic.h"
#include "units/units.h"

namespace {

// With the spins' default range the up arrow proposes a delta of -1.
bool IsUpArrow(const NMHDR* pNMHDR) {
    return reinterpret_cast<const NMUPDOWN*>(pNMHDR)->iDelta <= 0;
}

}  // namespace

void ClockDialog::RestoreClocks(bool restoreEngine, bool restoreMemory) {
    DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return;
    uint32_t engine = 0;
    uint32_t memory = 0;
    // A restore acts on the defaults whatever the 2D/3D choice.
    SetClocks(device, restoreEngine ? 1 : 0, &engine, restoreMemory ? 1 : 0, &memory,
              RESTORE_CLOCKS);
    if (restoreEngine) {
        ShowClock(m_editEngineClock, engine);
        m_nEngineClock = engine;
    }
    if (restoreMemory) {
        ShowClock(m_editMemoryClock, memory);
        m_nMemoryClock = memory;
    }
}

void ClockDialog::OnRestoreDefaultClocks() {
    RestoreClocks(true, true);
}

void ClockDialog::OnRestoreDefaultEngineClock() {
    RestoreClocks(true, false);
}

void ClockDialog::OnRestoreDefaultMemoryClock() {
    RestoreClocks(false, true);
}

// A clock step only edits the entry; Set Clocks applies it.
void ClockDialog::StepClockEntry(CEdit& edit, CSpinButtonCtrl& spin, const NMHDR* pNMHDR,
                                 LRESULT* pResult) {
    char text[kClockEntryBufferSize] = {};
    edit.GetWindowText(text, sizeof text);
    const double mhz = ReadDecimal(text) + (IsUpArrow(pNMHDR) ? 1.0 : -1.0);
    edit.SetWindowText(FormatDecimal(mhz, 2).c_str());
    spin.SetPos(0);
    *pResult = 0;
}

void ClockDialog::StepVoltage(int rail, CEdit& edit, CSpinButtonCtrl& spin, const NMHDR* pNMHDR,
                              LRESULT* pResult) {
    DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return;
    const double volts =
        IsUpArrow(pNMHDR) ? IncreaseVoltage(device, rail) : DecreaseVoltage(device, rail);
    edit.SetWindowText(FormatVolts(volts).c_str());
    spin.SetPos(0);
    *pResult = 0;
}

void ClockDialog::OnEngineClockDeltaPos(NMHDR* pNMHDR, LRESULT* pResult) {
    StepClockEntry(m_editEngineClock, m_spinEngineClock, pNMHDR, pResult);
}

void ClockDialog::OnMemoryClockDeltaPos(NMHDR* pNMHDR, LRESULT* pResult) {
    StepClockEntry(m_editMemoryClock, m_spinMemoryClock, pNMHDR, pResult);
}

// Only the engine core rail follows the 2D/3D choice.
void ClockDialog::OnVddcDeltaPos(NMHDR* pNMHDR, LRESULT* pResult) {
    const int rail = m_b3DMode ? (VDDC | USE_3DVOLTAGE) : VDDC;
    StepVoltage(rail, m_editVddc, m_spinVddc, pNMHDR, pResult);
}

void ClockDialog::OnMvddcDeltaPos(NMHDR* pNMHDR, LRESULT* pResult) {
    StepVoltage(MVDDC, m_editMvddc, m_spinMvddc, pNMHDR, pResult);
}

void ClockDialog::OnMvddqDeltaPos(NMHDR* pNMHDR, LRESULT* pResult) {
    StepVoltage(MVDDQ, m_editMvddq, m_spinMvddq, pNMHDR, pResult);
}

void ClockDialog::OnVddciDeltaPos(NMHDR* pNMHDR, LRESULT* pResult) {
    StepVoltage(VDDCI, m_editVddci, m_spinVddci, pNMHDR, pResult);
}

// The fan controls drive nothing: the check box only enables the slider.
void ClockDialog::OnManualFanSpeedControl() {
    m_sliderFanSpeed.EnableWindow(m_chkManualFan.SendMessage(BM_GETCHECK) != 0);
}

void ClockDialog::OnFanSpeedReleasedCapture(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
}
