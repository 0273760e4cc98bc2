// The front end of a process without a display: message boxes become lines
// on the terminal, and a dialog that waits for a user ends the run.
#include <chrono>
#include <cstdio>

#include "winmodel/model_state.h"

namespace winmodel::detail {
namespace {

void WriteLine(std::FILE* stream, const std::string& text) {
    std::fputs(text.c_str(), stream);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stream);
    std::fflush(stream);
}

class TerminalFrontEnd final : public FrontEnd {
  public:
    uint64_t NowMs() override {
        const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count());
    }

    bool WaitForInput(std::optional<uint64_t>) override {
        const std::string name = ApplicationName();
        std::fprintf(stderr,
                     "%s: no display to show the main dialog on; run \"%s -help\" for the "
                     "command-line options\n",
                     name.c_str(), name.c_str());
        std::fflush(stderr);
        return false;
    }

    std::optional<int> OnMessageBox(HWND box) override {
        const BoxRecord* record = BoxOf(box);
        if (record == nullptr) return win::IDOK;
        const UINT icon = record->type & win::MB_ICONMASK;
        if (icon == win::MB_ICONWARNING || icon == win::MB_ICONERROR) {
            WriteLine(stderr, record->caption + ": " + record->text);
        } else {
            WriteLine(stdout, record->text);
        }
        // As if OK had been pressed at once.
        return win::IDOK;
    }
};

}  // namespace

FrontEnd& DefaultTerminalFrontEnd() {
    static TerminalFrontEnd terminal;
    return terminal;
}

}  // namespace winmodel::detail
