#include "program_fixture.h"

#include <stdlib.h>

#include "app/clock_app.h"
#include "batch/batch_options.h"

ProgramTest::ProgramTest() {
    g_batchOptions = BatchOptions{};
    recording::Reset();
    std::string pattern = (std::filesystem::temp_directory_path() / "korvan-run-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
    runtimeDir = pattern;
    // The single-instance marker lives in the user's runtime directory.
    setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
    winmodel::SetModuleFileNameForTest("/opt/korvan/korvan");
}

ProgramTest::~ProgramTest() {
    std::error_code ignored;
    std::filesystem::remove_all(runtimeDir, ignored);
}

int ProgramTest::RunKorvan(const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"korvan"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ClockApp app;
    return AfxWinMain(static_cast<int>(words.size()), argv.data());
}

win::HWND ProgramTest::MainDialog() {
    for (win::HWND window : winmodel::TopLevelWindows()) {
        if (winmodel::Text(window) == "Korvan - Tavo") return window;
    }
    return nullptr;
}

win::HWND ProgramTest::Control(int id) { return win::GetDlgItem(MainDialog(), id); }

std::string ProgramTest::TextOf(int id) { return winmodel::Text(Control(id)); }

bool ProgramTest::IsEnabled(int id) { return winmodel::IsEnabled(Control(id)); }

void ProgramTest::ThenClose() {
    ui.Then([] { winmodel::PressKey(MainDialog(), win::VK_ESCAPE); });
}

recording::Device ProgramTest::FullCard() {
    return {.name = "Vireo",
            .flags = static_cast<uint32_t>(SUPPORTS_VDDC | SUPPORTS_MVDDC | SUPPORTS_MVDDQ |
                                           SUPPORTS_VDDCI | SUPPORTS_3DVDDC | SUPPORTS_3DMVDDC |
                                           SUPPORTS_3DMVDDQ | SUPPORTS_3DCLOCKS),
            .engine = 50000,
            .memory = 40000,
            .engine3d = 60000,
            .memory3d = 45000,
            .voltages = {{VDDC, 1.1},
                         {MVDDC, 1.5},
                         {MVDDQ, 1.8},
                         {VDDCI, 0.95},
                         {VDDC | USE_3DVOLTAGE, 1.2},
                         {MVDDC | USE_3DVOLTAGE, 1.55},
                         {MVDDQ | USE_3DVOLTAGE, 1.85},
                         {VDDCI | USE_3DVOLTAGE, 1.0}}};
}

recording::Device ProgramTest::PlainCard() {
    return {.name = "Corsa",
            .flags = static_cast<uint32_t>(SUPPORTS_VDDC),
            .engine = 30000,
            .memory = 27000,
            .voltages = {{VDDC, 1.05}}};
}

recording::Device ProgramTest::IntegratedDevice() {
    return {.name = "Aster",
            .flags = static_cast<uint32_t>(SUPPORTS_SYSTEM_MEMORY | SYSTEM_MEMORY_ONLY),
            .engine = 20000,
            .memory = 13500};
}
