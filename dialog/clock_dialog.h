// The main dialog: the device list, the clock and voltage fields and their
// controls. It owns the device records, hosts the command-line batch, and
// shuts the clock library down when its window goes.
#ifndef KORVAN_DIALOG_CLOCK_DIALOG_H
#define KORVAN_DIALOG_CLOCK_DIALOG_H

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "batch/batch_run.h"
#include "clocklib/clock_library.h"
#include "framework/afx.h"

class ClockDialog : public CDialog, private BatchHost {
  public:
    ClockDialog();
    ~ClockDialog() override;

    const MessageMap* GetMessageMap() const override;

    /// Whether initialisation got the clock library started.
    bool ClockLibraryStarted() const { return m_bClockLibraryStarted; }

  protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    /// Paints, then refreshes the shown values when a refresh is pending or
    /// Auto Update is on.
    virtual void OnPaint();

  private:
    // Command handlers
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnFanSpeedReleasedCapture(NMHDR* pNMHDR, LRESULT* pResult);
    void OnManualFanSpeedControl();
    void OnEngineClockDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    void OnVddcDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    void OnMemoryClockDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    void OnMvddcDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    void OnMvddqDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    void OnSetClocks();
    void OnRestoreDefaultClocks();
    void OnSelchangeDevice();
    void On2DClocks();
    void On3DClocks();
    void OnRestoreDefaultEngineClock();
    void OnRestoreDefaultMemoryClock();
    void OnGetClockInfo();
    void OnVddciDeltaPos(NMHDR* pNMHDR, LRESULT* pResult);
    void OnAutoUpdate();

    /// Sends WM_PAINT to the application's main window: Auto Update's tick.
    static void RefreshTimerProc(HWND hWnd, UINT nMsg, UINT_PTR nIDEvent, DWORD dwTime);

    /// One voltage field with its spin: the capability that shows it in 2D
    /// and in 3D mode, and the rail it reads.
    struct VoltageRow {
        const int& capability;
        const int& capability3D;
        const int& rail;
        CEdit& edit;
        CSpinButtonCtrl& spin;
    };
    std::array<VoltageRow, 4> VoltageRows();

    void RefreshValues();
    void RunBatch();
    void ShowHelpFile();
    void AddSystemMenuEntries();
    void ShowMemoryCapabilities(const DeviceRecord& device);
    void ShowClock(CEdit& edit, uint32_t clock);
    void RestoreClocks(bool restoreEngine, bool restoreMemory);
    void StepClockEntry(CEdit& edit, CSpinButtonCtrl& spin, const NMHDR* pNMHDR, LRESULT* pResult);
    void StepVoltage(int rail, CEdit& edit, CSpinButtonCtrl& spin, const NMHDR* pNMHDR,
                     LRESULT* pResult);
    /// Reads one clock entry for Set Clocks; false after a refusal box.
    bool ReadClockEntry(const CEdit& edit, const char* caption, const char* missingText,
                        uint32_t& entry);

    // BatchHost
    DeviceRecord* SelectedDevice() override;
    bool Supports3D() const override { return m_bSupports3D; }
    void ShowMessage(const std::string& text, const char* caption, unsigned type) override;
    void PostQuit(int exitCode) override;

    CSpinButtonCtrl m_spinVddci;
    CEdit m_editVddci;
    CButton m_chkAutoUpdate;
    CButton m_btnRestoreMemoryClock;
    CButton m_btnRestoreEngineClock;
    CButton m_chkSameClocks;
    CComboBox m_comboDevice;
    CButton m_radio2D;
    CButton m_radio3D;
    CButton m_btnRestoreClocks;
    CButton m_btnSetClocks;
    CEdit m_editMvddq;
    CEdit m_editMvddc;
    CEdit m_editMemoryClock;
    CEdit m_editMemoryType;
    CEdit m_editVddc;
    CEdit m_editEngineClock;
    CSpinButtonCtrl m_spinMvddq;
    CSpinButtonCtrl m_spinMvddc;
    CSpinButtonCtrl m_spinMemoryClock;
    CSpinButtonCtrl m_spinVddc;
    CSpinButtonCtrl m_spinEngineClock;
    CEdit m_editFanRpm;
    CSliderCtrl m_sliderFanSpeed;
    CButton m_chkManualFan;

    HICON m_hIcon;
    /// One record per device, in enumeration order: entry i of the device
    /// list names record i.
    std::vector<std::unique_ptr<DeviceRecord>> m_devices;
    bool m_bRefreshPending = false;
    bool m_bSupports3D = false;
    bool m_b3DMode = false;
    uint32_t m_nEngineClock = 0;
    uint32_t m_nMemoryClock = 0;
    bool m_bClockLibraryStarted = false;
};

#endif  // KORVAN_DIALOG_CLOCK_DIALOG_H
