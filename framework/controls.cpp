#include "framework/afx.h"

int CButton::GetCheck() const {
    return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int nCheck) {
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck));
}

int CComboBox::AddString(const char* lpszString) {
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lpszString)));
}

int CComboBox::GetCount() const {
    return static_cast<int>(SendMessage(CB_GETCOUNT));
}

int CComboBox::GetCurSel() const {
    return static_cast<int>(SendMessage(CB_GETCURSEL));
}

int CComboBox::SetCurSel(int nSelect) {
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(nSelect)));
}

int CSpinButtonCtrl::SetPos(int nPos) {
    return static_cast<int>(SendMessage(UDM_SETPOS, 0, static_cast<LPARAM>(nPos)));
}

void CSliderCtrl::SetRange(int nMin, int nMax, BOOL bRedraw) {
    SendMessage(TBM_SETRANGEMIN, static_cast<WPARAM>(bRedraw), nMin);
    SendMessage(TBM_SETRANGEMAX, static_cast<WPARAM>(bRedraw), nMax);
}

void CSliderCtrl::SetTicFreq(int nFreq) {
    SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(nFreq));
}
