// The Windows tests' eyes and hands: finds Korvan's windows from another
// process, reads them and acts on them as a user would, and reads the
// executable's version block. Run under Wine by tests/windows/run-wine-tests.
//
//   korvan_probe wait-window CAPTION [TIMEOUT_MS]     a top-level window appears
//   korvan_probe wait-gone CAPTION [TIMEOUT_MS]       ... and disappears
//   korvan_probe count-windows CAPTION                how many are open
//   korvan_probe check-dialog CAPTION EXPECTED_FILE   its controls against a template listing
//   korvan_probe window-rect CAPTION                  x y width height on the screen
//   korvan_probe answer-box CAPTION [TIMEOUT_MS]      prints a message box's text, presses OK
//   korvan_probe get-text CAPTION ID                  a control's text
//   korvan_probe wait-text CAPTION ID TEXT [TIMEOUT_MS]  ... until it reads TEXT
//   korvan_probe set-text CAPTION ID TEXT             types into a control
//   korvan_probe click CAPTION ID                     clicks a button
//   korvan_probe syscommand CAPTION COMMAND           chooses a system-menu command
//   korvan_probe close CAPTION                        clicks the close box
//   korvan_probe version FILE                         the version block
//
// A CAPTION of the form class:NAME finds a window by its class instead.
// Exit status 0 on success, 1 when what was looked for is not so, 2 on misuse.
#include <windows.h>
// windows.h first: it depends on its types.
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kDefaultTimeoutMs = 20000;
constexpr DWORD kPollMs = 50;
// The control id the system gives a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

struct WindowQuery {
    std::string caption;
    bool byClass = false;
};

WindowQuery QueryOf(const std::string& argument) {
    if (argument.rfind("class:", 0) == 0) return {argument.substr(6), true};
    return {argument, false};
}

// Asked with WM_GETTEXT: GetWindowText does not read a control of another
// process, and the message is carried across.
std::string TextOf(HWND window) {
    constexpr UINT kAnswerMs = 5000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerMs,
                             &length)) {
        return {};
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, kAnswerMs, &copied);
    text.resize(copied);
    return text;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct WindowSearch {
    const WindowQuery* query;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectMatchingWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    const std::string name = search->query->byClass ? ClassOf(window) : TextOf(window);
    if (name == search->query->caption && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> FindWindows(const WindowQuery& query) {
    WindowSearch search{&query, {}};
    EnumWindows(&CollectMatchingWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        const std::vector<HWND> found = FindWindows(query);
        if (!found.empty()) return found.front();
        if (GetTickCount64() >= deadline) return nullptr;
        Sleep(kPollMs);
    }
}

HWND RequireWindow(const std::string& argument) {
    const HWND window = WaitForWindow(QueryOf(argument), kDefaultTimeoutMs);
    if (window == nullptr) std::fprintf(stderr, "no window \"%s\"\n", argument.c_str());
    return window;
}

HWND RequireControl(HWND dialog, const char* idText) {
    const HWND control = GetDlgItem(dialog, std::atoi(idText));
    if (control == nullptr) std::fprintf(stderr, "no control %s\n", idText);
    return control;
}

DWORD TimeoutArgument(int argc, char** argv, int index) {
    return argc > index ? static_cast<DWORD>(std::strtoul(argv[index], nullptr, 10))
                        : kDefaultTimeoutMs;
}

// ---- The dialog against its template ----

struct ExpectedControl {
    int id;
    std::string className;
    std::string text;
    RECT rect;  // left, top, width, height in dialog units
    DWORD style;
};

struct Listing {
    std::string caption;
    SIZE size{};  // in dialog units
    int fontPointSize = 0;
    std::string fontName;
    DWORD style = 0;
    std::vector<ExpectedControl> controls;
};

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t')) fields.push_back(field);
    return fields;
}

Listing ReadListing(const char* path) {
    Listing listing;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        const std::vector<std::string> fields = Fields(line);
        if (fields.size() == 6 && fields[0] == "dialog") {
            listing.caption = fields[1];
            std::sscanf(fields[2].c_str(), "%ld,%ld", &listing.size.cx, &listing.size.cy);
            listing.fontPointSize = std::atoi(fields[3].c_str());
            listing.fontName = fields[4];
            listing.style = static_cast<DWORD>(std::strtoul(fields[5].c_str(), nullptr, 16));
        } else if (fields.size() == 5) {
            ExpectedControl control{};
            control.id = std::atoi(fields[0].c_str());
            control.className = fields[1];
            control.text = fields[2];
            std::sscanf(fields[3].c_str(), "%ld,%ld,%ld,%ld", &control.rect.left, &control.rect.top,
                        &control.rect.right, &control.rect.bottom);
            control.style = static_cast<DWORD>(std::strtoul(fields[4].c_str(), nullptr, 16));
            listing.controls.push_back(control);
        }
    }
    return listing;
}

INT_PTR CALLBACK IgnoreDialogMessage(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// The pixels of 4 horizontal and 8 vertical dialog units for a dialog in
// this font. Another process's dialog cannot be asked, so the probe builds
// an empty dialog of its own with the same font and lets the system measure.
SIZE DialogBaseUnits(int pointSize, const std::string& fontName) {
    std::vector<WORD> dialogTemplate(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data());
    header->style = WS_POPUP | DS_SETFONT;
    header->cx = 10;
    header->cy = 10;
    dialogTemplate.insert(dialogTemplate.end(), {0, 0, 0});  // no menu, default class, no title
    dialogTemplate.push_back(static_cast<WORD>(pointSize));
    for (const char c : fontName) dialogTemplate.push_back(static_cast<WORD>(c));
    dialogTemplate.push_back(0);

    const HWND dialog = CreateDialogIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data()), nullptr,
        &IgnoreDialogMessage, 0);
    RECT base{0, 0, 4, 8};
    MapDialogRect(dialog, &base);
    DestroyWindow(dialog);
    return {base.right, base.bottom};
}

// What a person reads: a picture's ordinal text is not text.
std::string Printable(const std::string& text) {
    std::string printable;
    for (const char c : text) printable += (c >= 0x20 && c < 0x7F) ? c : '?';
    return printable;
}

// The dialog manager places a control at MulDiv(units, base, 4 or 8) pixels;
// this finds the dialog units that give `pixels`, or -1 when none do.
long ToDialogUnits(long pixels, int base, int per) {
    const long guess = MulDiv(static_cast<int>(pixels), per, base);
    for (long candidate = guess - 1; candidate <= guess + 1; ++candidate) {
        if (MulDiv(static_cast<int>(candidate), base, per) == pixels) return candidate;
    }
    return -1;
}

int CheckDialog(HWND dialog, const char* listingPath) {
    const Listing listing = ReadListing(listingPath);
    const std::vector<ExpectedControl>& expected = listing.controls;
    const SIZE base = DialogBaseUnits(listing.fontPointSize, listing.fontName);
    const auto unitsX = [&base](long pixels) { return ToDialogUnits(pixels, base.cx, 4); };
    const auto unitsY = [&base](long pixels) { return ToDialogUnits(pixels, base.cy, 8); };
    int faults = 0;

    RECT client{};
    GetClientRect(dialog, &client);
    const DWORD dialogStyle = static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE));
    std::printf("dialog \"%s\" %ld x %ld units, style 0x%08lX; base units %ld x %ld pixels\n",
                TextOf(dialog).c_str(), unitsX(client.right), unitsY(client.bottom), dialogStyle,
                base.cx, base.cy);
    // The system shows the dialog, clips its siblings and draws it in 3D.
    constexpr DWORD kShownDialogBits = WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK;
    if (TextOf(dialog) != listing.caption || unitsX(client.right) != listing.size.cx ||
        unitsY(client.bottom) != listing.size.cy ||
        (dialogStyle & ~kShownDialogBits) != (listing.style & ~kShownDialogBits)) {
        std::printf("   MISMATCH (template: \"%s\" %ld x %ld units, style 0x%08lX)\n",
                    listing.caption.c_str(), listing.size.cx, listing.size.cy, listing.style);
        ++faults;
    }

    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    std::printf("controls: %zu (template: %zu)\n", children.size(), expected.size());
    if (children.size() != expected.size()) ++faults;

    for (size_t i = 0; i < children.size() && i < expected.size(); ++i) {
        const HWND child = children[i];
        const ExpectedControl& want = expected[i];
        const std::string className = ClassOf(child);
        const int id = static_cast<short>(GetDlgCtrlID(child));
        RECT screen{};
        GetWindowRect(child, &screen);
        POINT origin{screen.left, screen.top};
        ScreenToClient(dialog, &origin);
        const RECT units{unitsX(origin.x), unitsY(origin.y), unitsX(screen.right - screen.left),
                         unitsY(screen.bottom - screen.top)};
        const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE));
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrA(child, GWL_EXSTYLE));
        const std::string text = TextOf(child);
        std::string quoted(1, '"');
        quoted.append(Printable(text)).push_back('"');

        std::printf("%2zu %5d %-18s %-38s %3ld,%3ld,%3ld,%3ld 0x%08lX\n", i + 1, id,
                    className.c_str(), quoted.c_str(), units.left, units.top, units.right,
                    units.bottom, style);
        std::string mismatch;
        if (id != want.id) mismatch += " id";
        if (lstrcmpiA(className.c_str(), want.className.c_str()) != 0) mismatch += " class";
        // Edits and the device list show values the program filled in; a
        // picture's text names its image.
        const bool isEdit = lstrcmpiA(want.className.c_str(), "Edit") == 0;
        const bool showsTemplateText = !isEdit &&
                                       lstrcmpiA(want.className.c_str(), "ComboBox") != 0 &&
                                       want.text.rfind("<image", 0) != 0;
        if (showsTemplateText && text != want.text) mismatch += " text";
        // A drop-down combo box's template height is that of its opened
        // list, which the control sizes to its items; an up-down control
        // without a buddy may take its own standard width; an icon sizes its
        // static to itself.
        const bool isIcon =
            lstrcmpiA(className.c_str(), "Static") == 0 && (want.style & SS_TYPEMASK) == SS_ICON;
        const bool ownHeight = lstrcmpiA(className.c_str(), "ComboBox") == 0 || isIcon;
        const bool ownWidth = lstrcmpiA(className.c_str(), UPDOWN_CLASSA) == 0 || isIcon;
        if (units.left != want.rect.left || units.top != want.rect.top ||
            (units.right != want.rect.right && !ownWidth) ||
            (units.bottom != want.rect.bottom && !ownHeight)) {
            mismatch += " rect";
        }
        // Bits the system changes itself: the program disables what a device
        // lacks; a combo box's list scrolls only when it must; a checked
        // radio button becomes a tab stop; an edit's border is drawn sunken.
        DWORD systemBits =
            WS_DISABLED | WS_VSCROLL * (lstrcmpiA(className.c_str(), "ComboBox") == 0);
        if ((want.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON && className == "Button") {
            systemBits |= WS_TABSTOP;
        }
        if (isEdit && (want.style & WS_BORDER) != 0) {
            systemBits |= WS_BORDER;
            if ((style & WS_BORDER) == 0 && (exStyle & WS_EX_CLIENTEDGE) == 0)
                mismatch += " border";
        }
        if ((style & ~systemBits) != (want.style & ~systemBits)) mismatch += " style";
        if (!mismatch.empty()) {
            std::printf("   MISMATCH:%s (template: %d %s \"%s\" %ld,%ld,%ld,%ld 0x%08lX)\n",
                        mismatch.c_str(), want.id, want.className.c_str(), want.text.c_str(),
                        want.rect.left, want.rect.top, want.rect.right, want.rect.bottom,
                        want.style);
            ++faults;
        }
    }
    std::printf("%d mismatches\n", faults);
    return faults == 0 ? 0 : 1;
}

// ---- The version block ----

int PrintVersion(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) {
        std::fprintf(stderr, "no version block in %s\n", path);
        return 1;
    }
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) return 1;
    const auto printVersion = [](const char* label, DWORD high, DWORD low) {
        std::printf("%s %u.%u.%u.%u\n", label, HIWORD(high), LOWORD(high), HIWORD(low),
                    LOWORD(low));
    };
    printVersion("FILEVERSION", fixed->dwFileVersionMS, fixed->dwFileVersionLS);
    printVersion("PRODUCTVERSION", fixed->dwProductVersionMS, fixed->dwProductVersionLS);
    for (const char* name : {"FileDescription", "FileVersion", "InternalName", "OriginalFilename",
                             "ProductName", "ProductVersion"}) {
        const std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
        char* value = nullptr;
        if (VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                           &length) &&
            value != nullptr) {
            std::printf("%s=%s\n", name, value);
        }
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: korvan_probe COMMAND ARGUMENTS (see the source's head)\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Line ends as the shell that reads the output expects them.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 3) return Usage();
    const std::string command = argv[1];

    if (command == "version") return PrintVersion(argv[2]);
    if (command == "wait-window") {
        return WaitForWindow(QueryOf(argv[2]), TimeoutArgument(argc, argv, 3)) ? 0 : 1;
    }
    if (command == "wait-gone") {
        const ULONGLONG deadline = GetTickCount64() + TimeoutArgument(argc, argv, 3);
        while (!FindWindows(QueryOf(argv[2])).empty()) {
            if (GetTickCount64() >= deadline) return 1;
            Sleep(kPollMs);
        }
        return 0;
    }
    if (command == "count-windows") {
        std::printf("%zu\n", FindWindows(QueryOf(argv[2])).size());
        return 0;
    }

    const HWND window = RequireWindow(argv[2]);
    if (window == nullptr) return 1;
    if (command == "check-dialog" && argc == 4) return CheckDialog(window, argv[3]);
    if (command == "window-rect") {
        RECT rect{};
        GetWindowRect(window, &rect);
        std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top);
        return 0;
    }
    if (command == "answer-box") {
        std::printf("%s\n", TextOf(GetDlgItem(window, kMessageBoxTextId)).c_str());
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return 0;
    }
    if (command == "syscommand" && argc == 4) {
        PostMessageA(window, WM_SYSCOMMAND, std::strtoul(argv[3], nullptr, 0), 0);
        return 0;
    }
    if (command == "close") {
        PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (argc < 4) return Usage();
    const HWND control = RequireControl(window, argv[3]);
    if (control == nullptr) return 1;
    if (command == "get-text") {
        std::printf("%s\n", TextOf(control).c_str());
        return 0;
    }
    if (command == "wait-text" && argc >= 5) {
        const ULONGLONG deadline = GetTickCount64() + TimeoutArgument(argc, argv, 5);
        while (TextOf(control) != argv[4]) {
            if (GetTickCount64() >= deadline) {
                std::fprintf(stderr, "control %s reads \"%s\", not \"%s\"\n", argv[3],
                             TextOf(control).c_str(), argv[4]);
                return 1;
            }
            Sleep(kPollMs);
        }
        return 0;
    }
    if (command == "set-text" && argc == 5) {
        return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4])) ? 0 : 1;
    }
    if (command == "click") {
        // Posted, as a click is: the program's handler may open a box that
        // waits for the user, and the probe must not wait with it.
        PostMessageA(control, BM_CLICK, 0, 0);
        return 0;
    }
    return Usage();
}
