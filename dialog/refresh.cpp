// Keeping the shown values in step with the selected device and clock set.
#include "clocklib/capability.h"
#include "dialog/clock_dialog.h"
#include "units/units.h"

namespace {

constexpr UINT_PTR kRefreshTimerId = 1;
constexpr UINT kRefreshPeriodMs = 5000;

// A refresh is requested by painting, synchronously: the refresh has run when
// the send returns.
void SendPaintToMainWindow() {
    const CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_pMainWnd != nullptr) {
        win::SendMessage(app->m_pMainWnd->m_hWnd, WM_PAINT, 0, 0);
    }
}

}  // namespace

void ClockDialog::OnPaint() {
    if (IsIconic()) {
        CPaintDC dc(this);
        SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.m_hDC), 0);
    } else {
        Default();
    }
    if (!m_bRefreshPending && m_chkAutoUpdate.SendMessage(BM_GETCHECK) == 0) return;
    RefreshValues();
}

void ClockDialog::RefreshValues() {
    DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return;
    uint32_t engine = 0;
    uint32_t memory = 0;
    GetClocks(device, &engine, &memory, m_b3DMode ? USE_3DCLOCKS : 0);
    ShowClock(m_editEngineClock, engine);
    ShowClock(m_editMemoryClock, memory);
    m_nEngineClock = engine;
    m_nMemoryClock = memory;

    for (const VoltageRow& row : VoltageRows()) {
        device = SelectedDevice();
        if (device == nullptr) return;
        if (HasCapability(*device, m_b3DMode ? row.capability3D : row.capability)) {
            if (&row.spin == &m_spinVddci && !m_b3DMode) m_spinVddci.SetPos(0);
            row.spin.EnableWindow(TRUE);
            const int selector = m_b3DMode ? (USE_3DVOLTAGE | row.rail) : row.rail;
            row.edit.SetWindowText(FormatVolts(GetVoltage(device, selector)).c_str());
        } else {
            row.spin.EnableWindow(FALSE);
            row.edit.SetWindowText("N/A");
        }
    }

    device = SelectedDevice();
    if (device == nullptr) return;
    ShowMemoryCapabilities(*device);
    m_bRefreshPending = false;
}

void ClockDialog::OnSelchangeDevice() {
    m_bRefreshPending = true;
    const DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return;
    if (HasCapability(*device, SUPPORTS_3DCLOCKS)) {
        // The mode carries over to a device that has 3D clocks too.
        m_radio2D.EnableWindow(TRUE);
        m_bSupports3D = true;
        m_radio3D.EnableWindow(TRUE);
    } else {
        m_radio2D.SetCheck(BST_CHECKED);
        m_radio3D.SetCheck(BST_UNCHECKED);
        m_b3DMode = false;
        m_bSupports3D = false;
        m_radio2D.EnableWindow(FALSE);
        m_radio3D.EnableWindow(FALSE);
    }
    SendPaintToMainWindow();
}

void ClockDialog::On2DClocks() {
    m_bRefreshPending = true;
    m_b3DMode = false;
    SendPaintToMainWindow();
}

void ClockDialog::On3DClocks() {
    m_b3DMode = true;
    m_bRefreshPending = true;
    SendPaintToMainWindow();
}

// Checking the box refreshes nothing at once: the first tick comes a period later.
void ClockDialog::OnAutoUpdate() {
    if (m_chkAutoUpdate.SendMessage(BM_GETCHECK) != 0) {
        SetTimer(kRefreshTimerId, kRefreshPeriodMs, &ClockDialog::RefreshTimerProc);
    } else {
        KillTimer(kRefreshTimerId);
    }
}

void ClockDialog::RefreshTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    SendPaintToMainWindow();
}
