// The framework's own rules: how arguments reach a command-line parser, and
// how a message finds its handler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/afx.h"
#include "framework/resources.h"
#include "winmodel/model.h"

// The framework reads resources only when it builds windows; these tests build none.
const win::ResourceTable& win::ProgramResources() {
    static const win::ResourceTable empty{};
    return empty;
}

namespace {

struct SeenArgument {
    std::string text;
    BOOL hadSwitch;
    BOOL last;
    bool operator==(const SeenArgument&) const = default;
};

class RecordingCommandLine : public CCommandLineInfo {
  public:
    void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast) override {
        seen.push_back({pszParam, bFlag, bLast});
    }
    std::vector<SeenArgument> seen;
};

class ParsingApp : public CWinApp {
  public:
    BOOL InitInstance() override {
        ParseCommandLine(commandLine);
        return FALSE;
    }
    RecordingCommandLine commandLine;
};

std::vector<SeenArgument> Parse(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "korvan");
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    ParsingApp app;
    AfxWinMain(static_cast<int>(argv.size()), argv.data());
    return app.commandLine.seen;
}

TEST(ParseCommandLine, RemovesOneLeadingMinusOrSlashAndMarksTheLastArgument) {
    EXPECT_EQ(Parse({"-restore", "/h", "viewclkinfo", "--x", "-", "/", ""}),
              (std::vector<SeenArgument>{{"restore", TRUE, FALSE},
                                         {"h", TRUE, FALSE},
                                         {"viewclkinfo", FALSE, FALSE},
                                         {"-x", TRUE, FALSE},
                                         {"", TRUE, FALSE},
                                         {"", TRUE, FALSE},
                                         {"", FALSE, TRUE}}));
    EXPECT_TRUE(Parse({}).empty());
}

TEST(WinApp, IsNamedAfterItsExecutableFileWithoutTheExtension) {
    std::string name;
    class NamingApp : public CWinApp {
      public:
        explicit NamingApp(std::string& out) : out_(out) {}
        BOOL InitInstance() override {
            out_ = m_pszAppName;
            return FALSE;
        }
        std::string& out_;
    };
    // The name comes from the module's file, not from how the program was called.
    winmodel::SetModuleFileNameForTest("/opt/tools/my.clock.exe");
    std::string called = "clock";
    char* argv[] = {called.data(), nullptr};
    NamingApp app(name);
    AfxWinMain(1, argv);
    winmodel::ResetForTest();
    EXPECT_EQ(name, "my.clock");
}

class Base : public CCmdTarget {
  public:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{CCmdTarget::GetMessageMap(),
                                    {msgmap::Command(BN_CLICKED, 7, &Base::OnSeven),
                                     msgmap::Command(BN_CLICKED, 8, &Base::OnEight)}};
        return &map;
    }
    std::vector<std::string> calls;

  protected:
    void OnSeven() { calls.push_back("Base::OnSeven"); }
    void OnEight() { calls.push_back("Base::OnEight"); }
};

class Derived : public Base {
  public:
    const MessageMap* GetMessageMap() const override {
        static const MessageMap map{Base::GetMessageMap(),
                                    {msgmap::Command(BN_CLICKED, 7, &Derived::OnSevenAgain),
                                     msgmap::Notify(UDN_DELTAPOS, 7, &Derived::OnDelta)}};
        return &map;
    }

  private:
    void OnSevenAgain() { calls.push_back("Derived::OnSevenAgain"); }
    void OnDelta(NMHDR* header, LRESULT* result) {
        calls.push_back("Derived::OnDelta " + std::to_string(header->idFrom));
        *result = 42;
    }
};

TEST(MessageMap, MostDerivedBindingWinsAndTheBaseMapIsSearchedNext) {
    Derived target;
    LRESULT result = 0;
    EXPECT_TRUE(target.DispatchToMap(WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0, result));
    EXPECT_TRUE(target.DispatchToMap(WM_COMMAND, MAKEWPARAM(8, BN_CLICKED), 0, result));
    // Same control, another notification: no binding.
    EXPECT_FALSE(target.DispatchToMap(WM_COMMAND, MAKEWPARAM(8, CBN_SELCHANGE), 0, result));

    NMUPDOWN delta{{nullptr, 7, UDN_DELTAPOS}, 0, -1};
    EXPECT_TRUE(target.DispatchToMap(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&delta), result));
    EXPECT_EQ(result, 42);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"Derived::OnSevenAgain", "Base::OnEight",
                                                      "Derived::OnDelta 7"}));
}

}  // namespace
