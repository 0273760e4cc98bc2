#include "dialog/clock_dialog.h"

#include <string>

#include "batch/batch_options.h"
#include "batch/clock_report.h"
#include "clocklib/capability.h"
#include "res/resource.h"
#include "units/units.h"

ClockDialog::ClockDialog() : CDialog(IDD_CLOCK_DIALOG) {
    m_hIcon = LoadIcon(GetModuleHandle(), IDR_MAINFRAME);
}

ClockDialog::~ClockDialog() = default;

void ClockDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SPIN_VDDCI, m_spinVddci);
    DDX_Control(pDX, IDC_VDDCI, m_editVddci);
    DDX_Control(pDX, IDC_AUTO_UPDATE, m_chkAutoUpdate);
    DDX_Control(pDX, IDC_RESTORE_MEMORY_CLOCK, m_btnRestoreMemoryClock);
    DDX_Control(pDX, IDC_RESTORE_ENGINE_CLOCK, m_btnRestoreEngineClock);
    DDX_Control(pDX, IDC_SAME_CLOCKS, m_chkSameClocks);
    DDX_Control(pDX, IDC_DEVICE, m_comboDevice);
    DDX_Control(pDX, IDC_2D_CLOCKS, m_radio2D);
    DDX_Control(pDX, IDC_3D_CLOCKS, m_radio3D);
    DDX_Control(pDX, IDC_RESTORE_CLOCKS, m_btnRestoreClocks);
    DDX_Control(pDX, IDC_SET_CLOCKS, m_btnSetClocks);
    DDX_Control(pDX, IDC_MVDDQ, m_editMvddq);
    DDX_Control(pDX, IDC_MVDDC, m_editMvddc);
    DDX_Control(pDX, IDC_MEMORY_CLOCK, m_editMemoryClock);
    DDX_Control(pDX, IDC_MEMORY_TYPE, m_editMemoryType);
    DDX_Control(pDX, IDC_VDDC, m_editVddc);
    DDX_Control(pDX, IDC_ENGINE_CLOCK, m_editEngineClock);
    DDX_Control(pDX, IDC_SPIN_MVDDQ, m_spinMvddq);
    DDX_Control(pDX, IDC_SPIN_MVDDC, m_spinMvddc);
    DDX_Control(pDX, IDC_SPIN_MEMORY_CLOCK, m_spinMemoryClock);
    DDX_Control(pDX, IDC_SPIN_VDDC, m_spinVddc);
    DDX_Control(pDX, IDC_SPIN_ENGINE_CLOCK, m_spinEngineClock);
    DDX_Control(pDX, IDC_FAN_RPM, m_editFanRpm);
    DDX_Control(pDX, IDC_FAN_SPEED, m_sliderFanSpeed);
    DDX_Control(pDX, IDC_MANUAL_FAN, m_chkManualFan);
}

const MessageMap* ClockDialog::GetMessageMap() const {
    static const MessageMap map{
        CDialog::GetMessageMap(),
        {
            msgmap::Paint(&ClockDialog::OnPaint),
            msgmap::SysCommand(&ClockDialog::OnSysCommand),
            msgmap::Notify(NM_RELEASEDCAPTURE, IDC_FAN_SPEED,
                           &ClockDialog::OnFanSpeedReleasedCapture),
            msgmap::Command(BN_CLICKED, IDC_MANUAL_FAN, &ClockDialog::OnManualFanSpeedControl),
            msgmap::Notify(UDN_DELTAPOS, IDC_SPIN_ENGINE_CLOCK,
                           &ClockDialog::OnEngineClockDeltaPos),
            msgmap::Notify(UDN_DELTAPOS, IDC_SPIN_VDDC, &ClockDialog::OnVddcDeltaPos),
            msgmap::Notify(UDN_DELTAPOS, IDC_SPIN_MEMORY_CLOCK,
                           &ClockDialog::OnMemoryClockDeltaPos),
            msgmap::Notify(UDN_DELTAPOS, IDC_SPIN_MVDDC, &ClockDialog::OnMvddcDeltaPos),
            msgmap::Notify(UDN_DELTAPOS, IDC_SPIN_MVDDQ, &ClockDialog::OnMvddqDeltaPos),
            msgmap::Command(BN_CLICKED, IDC_SET_CLOCKS, &ClockDialog::OnSetClocks),
            msgmap::Command(BN_CLICKED, IDC_RESTORE_CLOCKS, &ClockDialog::OnRestoreDefaultClocks),
            msgmap::Command(CBN_SELCHANGE, IDC_DEVICE, &ClockDialog::OnSelchangeDevice),
            msgmap::Command(BN_CLICKED, IDC_2D_CLOCKS, &ClockDialog::On2DClocks),
            msgmap::Command(BN_CLICKED, IDC_3D_CLOCKS, &ClockDialog::On3DClocks),
            msgmap::Command(BN_CLICKED, IDC_RESTORE_ENGINE_CLOCK,
                            &ClockDialog::OnRestoreDefaultEngineClock),
            msgmap::Command(BN_CLICKED, IDC_RESTORE_MEMORY_CLOCK,
                            &ClockDialog::OnRestoreDefaultMemoryClock),
            msgmap::Command(BN_CLICKED, IDC_GET_CLOCK_INFO, &ClockDialog::OnGetClockInfo),
            msgmap::Notify(UDN_DELTAPOS, IDC_SPIN_VDDCI, &ClockDialog::OnVddciDeltaPos),
            msgmap::Command(BN_CLICKED, IDC_AUTO_UPDATE, &ClockDialog::OnAutoUpdate),
        }};
    return &map;
}

BOOL ClockDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    AddSystemMenuEntries();

    char errorText[CLOCKLIB_ERROR_TEXT_SIZE] = {};
    if (!InitializeClockLib(errorText)) {
        errorText[sizeof errorText - 1] = '\0';
        const std::string message = "Failed: " + std::string(errorText) + "\n";
        MessageBox(message.c_str(), "Error!", MB_OK);
        return FALSE;
    }
    m_bClockLibraryStarted = true;

    // The record of the call that says no device follows is a device too.
    for (int more = 1; more != 0;) {
        auto device = std::make_unique<DeviceRecord>();
        more = EnumerateDevices(device.get());
        device->name[sizeof device->name - 1] = '\0';
        m_devices.push_back(std::move(device));
        m_comboDevice.AddString(m_devices.back()->name);
    }
    m_comboDevice.SetCurSel(0);
    if (m_comboDevice.GetCount() == 1) m_chkSameClocks.EnableWindow(FALSE);

    DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return TRUE;
    ShowMemoryCapabilities(*device);

    m_bSupports3D = false;
    m_b3DMode = false;
    if (HasCapability(*device, SUPPORTS_3DCLOCKS)) {
        m_radio2D.EnableWindow(TRUE);
        m_radio2D.SetCheck(BST_CHECKED);
        m_bSupports3D = true;
        m_radio3D.EnableWindow(TRUE);
    } else {
        m_radio2D.EnableWindow(FALSE);
        m_radio3D.EnableWindow(FALSE);
    }

    uint32_t engine = 0;
    uint32_t memory = 0;
    GetClocks(device, &engine, &memory, 0);
    ShowClock(m_editEngineClock, engine);
    ShowClock(m_editMemoryClock, memory);
    m_nEngineClock = engine;
    m_nMemoryClock = memory;

    if (g_batchOptions.batchMode) RunBatch();

    for (const VoltageRow& row : VoltageRows()) {
        device = SelectedDevice();
        if (device == nullptr) return TRUE;
        if (HasCapability(*device, row.capability)) {
            row.spin.SetPos(0);
            row.edit.SetWindowText(FormatVolts(GetVoltage(device, row.rail)).c_str());
        } else {
            row.spin.EnableWindow(FALSE);
            row.edit.SetWindowText("N/A");
        }
    }

    m_sliderFanSpeed.SetRange(0, 22, TRUE);
    m_sliderFanSpeed.SetTicFreq(2);
    m_sliderFanSpeed.EnableWindow(FALSE);
    return TRUE;
}

void ClockDialog::PostNcDestroy() {
    DeInitializeClockLib();
    for (auto& device : m_devices) device.reset();
}

std::array<ClockDialog::VoltageRow, 4> ClockDialog::VoltageRows() {
    // The library has no 3D capability of its own for VDDCI: in 3D mode the
    // memory I/O rail's capability governs it.
    return {{
        {SUPPORTS_VDDC, SUPPORTS_3DVDDC, VDDC, m_editVddc, m_spinVddc},
        {SUPPORTS_MVDDC, SUPPORTS_3DMVDDC, MVDDC, m_editMvddc, m_spinMvddc},
        {SUPPORTS_MVDDQ, SUPPORTS_3DMVDDQ, MVDDQ, m_editMvddq, m_spinMvddq},
        {SUPPORTS_VDDCI, SUPPORTS_3DMVDDQ, VDDCI, m_editVddci, m_spinVddci},
    }};
}

DeviceRecord* ClockDialog::SelectedDevice() {
    const int selection = m_comboDevice.GetCurSel();
    if (selection < 0 || static_cast<size_t>(selection) >= m_devices.size()) return nullptr;
    return m_devices[static_cast<size_t>(selection)].get();
}

void ClockDialog::ShowMemoryCapabilities(const DeviceRecord& device) {
    const BOOL memoryClockSettable = !HasCapability(device, SYSTEM_MEMORY_ONLY);
    m_spinMemoryClock.EnableWindow(memoryClockSettable);
    m_editMemoryClock.EnableWindow(memoryClockSettable);

    // System memory fixes the engine clock, not the memory clock.
    const bool systemMemory = HasCapability(device, SUPPORTS_SYSTEM_MEMORY);
    m_editMemoryType.SetWindowText(systemMemory ? "System Memory" : "Graphics Memory");
    m_spinEngineClock.EnableWindow(!systemMemory);
    m_editEngineClock.EnableWindow(!systemMemory);
}

void ClockDialog::ShowClock(CEdit& edit, uint32_t clock) {
    edit.SetWindowText(FormatClockMHz(clock).c_str());
}

void ClockDialog::RunBatch() {
    ::RunBatch(g_batchOptions, *this);
}

void ClockDialog::ShowMessage(const std::string& text, const char* caption, unsigned type) {
    MessageBox(text.c_str(), caption, type);
}

void ClockDialog::PostQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

void ClockDialog::OnGetClockInfo() {
    DeviceRecord* device = SelectedDevice();
    if (device == nullptr) return;
    uint32_t engine = 0;
    uint32_t memory = 0;
    GetClocks(device, &engine, &memory, 0);

    device = SelectedDevice();
    if (device == nullptr) return;
    const bool has3d = HasCapability(*device, SUPPORTS_3DCLOCKS);
    uint32_t engine3d = 0;
    uint32_t memory3d = 0;
    if (has3d) GetClocks(device, &engine3d, &memory3d, USE_3DCLOCKS);
    MessageBox(FormatClockReport(engine, memory, has3d, engine3d, memory3d).c_str(), "Clock Info",
               MB_OK);
}
