#include "app/about_dialog.h"

#include "res/resource.h"

AboutDialog::AboutDialog() : CDialog(IDD_ABOUTBOX) {}

AboutDialog::~AboutDialog() = default;

// OK and Escape end the box through the dialog's default handling.
const MessageMap* AboutDialog::GetMessageMap() const {
    static const MessageMap map{CDialog::GetMessageMap(), {}};
    return &map;
}

void AboutDialog::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}
