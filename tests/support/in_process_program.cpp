#include "tests/support/in_process_program.h"

#include <stdlib.h>

#include "app/clock_app.h"
#include "batch/batch_options.h"

InProcessProgramTest::InProcessProgramTest() {
    g_batchOptions = BatchOptions{};
    std::string pattern = (std::filesystem::temp_directory_path() / "korvan-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    runtimeDir = pattern;
    // The single-instance marker lives in the user's runtime directory.
    setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    winmodel::SetModuleFileNameForTest("/opt/korvan/korvan");
}

InProcessProgramTest::~InProcessProgramTest() {
    std::error_code ignored;
    std::filesystem::remove_all(runtimeDir, ignored);
}

int InProcessProgramTest::RunKorvan(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"korvan"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ClockApp app;
    return AfxWinMain(static_cast<int>(words.size()), argv.data());
}

win::HWND InProcessProgramTest::MainDialog() {
    for (win::HWND window : winmodel::TopLevelWindows()) {
        if (winmodel::Text(window) == "Korvan - Tavo") return window;
    }
    return nullptr;
}

win::HWND InProcessProgramTest::Control(int id) {
    return win::GetDlgItem(MainDialog(), id);
}

std::string InProcessProgramTest::TextOf(int id) {
    return winmodel::Text(Control(id));
}

bool InProcessProgramTest::IsEnabled(int id) {
    return winmodel::IsEnabled(Control(id));
}

void InProcessProgramTest::ThenClose() {
    ui.Then([] { winmodel::PressKey(MainDialog(), win::VK_ESCAPE); });
}
