// The main dialog's own system-menu commands: the About box and the help file.
#include "app/about_dialog.h"
#include "app/help_file.h"
#include "dialog/clock_dialog.h"
#include "res/resource.h"

void ClockDialog::AddSystemMenuEntries() {
    CMenu* systemMenu = GetSystemMenu(FALSE);
    if (systemMenu == nullptr) return;
    char text[256];
    if (LoadString(GetModuleHandle(), IDS_ABOUTBOX, text, sizeof text) > 0) {
        systemMenu->AppendMenu(MF_SEPARATOR);
        systemMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, text);
    }
    if (LoadString(GetModuleHandle(), IDS_HELP, text, sizeof text) > 0) {
        systemMenu->AppendMenu(MF_STRING, IDM_HELP, text);
    }
}

void ClockDialog::OnSysCommand(UINT nID, LPARAM lParam) {
    // The platform keeps the low four bits of a system command for itself.
    switch (nID & 0xFFF0) {
        case IDM_ABOUTBOX: {
            AboutDialog about;
            about.DoModal();
            return;
        }
        case IDM_HELP:
            ShowHelpFile();
            return;
        default:
            CDialog::OnSysCommand(nID, lParam);
    }
}

void ClockDialog::ShowHelpFile() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    // A path that cannot take the extension names no help file either.
    const bool named = ReplaceExtensionWithChm(path, sizeof path);
    if (!named || HtmlHelpA(GetDesktopWindow(), path, HH_DISPLAY_TOPIC, 0) == nullptr) {
        MessageBox("Cannot find 'Korvan' help file!", "TavoDiag", MB_OK);
    }
}
