// The scripted user's state text and its text language: the same scenario run through the C++
// API and through a script gives the same call log.
#include <gtest/gtest.h>

#include "platform/CallLog.h"
#include "platform/win32/user/ScriptedUser.h"
#include "platform/win32/user/UserFixture.h"
#include "platform/win32/user/UserScript.h"
#include "tests/platform_user/EveryControlDialog.h"

namespace vel::test {
namespace {

using platform::ScriptedUser;

class UserScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetWindowing();
    platform::ClearCallLog();
  }
  void TearDown() override { platform::ResetWindowing(); }

  // Runs the dialog with whatever the user registered; answers the dialog's result.
  INT_PTR RunDialog(EveryControlRecord& record) {
    DialogTemplateBuilder builder = EveryControlTemplate();
    return DialogBoxIndirectParamW(nullptr, static_cast<LPCDLGTEMPLATEW>(builder.Template()),
                                   nullptr, EveryControlProc, reinterpret_cast<LPARAM>(&record));
  }
};

// The state of the dialog after the scenario's actions (regenerate: print user.TakeOutput()).
const char kGoldenState[] =
    "dialog \"Every Control\" \"Every Control\" focus=141 default=1\n"
    "100 Edit \"abcde\" enabled visible sel=5-5 limit=5\n"
    "101 msctls_updown32 \"\" enabled visible pos=4 range=0-10\n"
    "110 Button \"Group A\" enabled visible kind=group\n"
    "111 Button \"A1\" enabled visible kind=autoradio checked=0\n"
    "112 Button \"A2\" enabled visible kind=autoradio checked=1\n"
    "120 Button \"Group B\" enabled visible kind=group\n"
    "121 Button \"B1\" enabled visible kind=autoradio checked=1\n"
    "122 Button \"B2\" enabled visible kind=autoradio checked=0\n"
    "130 Button \"Check\" enabled visible kind=autocheck checked=1\n"
    "140 ComboBox \"Two\" enabled visible kind=dropdownlist sel=1 items=[\"One\", \"Two\", "
    "\"Three\"]\n"
    "141 ComboBox \"T\\\"wo\" enabled visible focus kind=dropdown sel=-1 items=[\"One\", \"Two\", "
    "\"Three\"] editsel=4-4\n"
    "150 ListBox \"\" enabled visible sel=2 items=[\"One\", \"Two\", \"Three\"]\n"
    "160 ScrollBar \"\" enabled visible pos=100 range=25-400 page=10\n"
    "170 Static \"Label\" enabled visible\n"
    "171 Static \"\" enabled visible icon=11413\n"
    "180 Button \"\" enabled visible kind=ownerdraw\n"
    "190 Button \"Disabled\" disabled visible kind=push\n"
    "191 Button \"Inner...\" enabled visible kind=push\n"
    "192 Button \"Ask\" enabled visible kind=push\n"
    "1 Button \"OK\" enabled visible kind=default\n"
    "2 Button \"Cancel\" enabled visible kind=push\n";

// The scenario through the C++ API.
void Scenario(ScriptedUser& user) {
  user.Type(kEdit, u"abcdefg");
  user.Check(kRadioA2, true);
  user.Check(kCheck, true);
  user.Step(kUpDown, 1);
  user.SelectText(kDropList, u"Two");
  user.SelectIndex(kList, 2);
  user.Set(kDropDown, u"T\"wo");
  user.Scroll(kScroll, SB_PAGERIGHT);
  user.MouseClick(kLabel);
  user.Show();
  user.Ok();
}

// The same scenario in the text language.
const char kScenarioScript[] = R"(# the scenario of the C++ test
on dialog "Every Control"
  type 100 "abcdefg"
  check 112
  check 130      # an auto check box
  step 101 up
  select 140 "Two"
  select 150 2
  set 141 "T\"wo"
  scroll 160 pageright
  mouse click 170
  show
  ok
end
)";

TEST_F(UserScriptTest, StateTextOfTheTestDialogMatchesTheGolden) {
  ScriptedUser user;
  user.OnDialog(u"Every Control", Scenario);
  EveryControlRecord record;
  EXPECT_EQ(RunDialog(record), IDOK);
  EXPECT_EQ(user.TakeOutput(), kGoldenState);
  EXPECT_TRUE(user.errors().empty());
}

TEST_F(UserScriptTest, ScriptRunsTheSameScenarioWithTheSameLog) {
  std::vector<std::string> api_log;
  std::string api_output;
  {
    ScriptedUser user;
    user.OnDialog(u"Every Control", Scenario);
    EveryControlRecord record;
    EXPECT_EQ(RunDialog(record), IDOK);
    api_log = platform::CallLogSnapshot();
    api_output = user.TakeOutput();
  }
  platform::ResetWindowing();
  platform::ClearCallLog();
  platform::Script script;
  std::string error;
  ASSERT_TRUE(platform::ParseUserScript(kScenarioScript, script, error)) << error;
  ScriptedUser user;
  EXPECT_TRUE(platform::RunUserScript(script, user));
  EveryControlRecord record;
  EXPECT_EQ(RunDialog(record), IDOK);
  EXPECT_EQ(platform::CallLogSnapshot(), api_log);
  EXPECT_EQ(user.TakeOutput(), api_output);
  EXPECT_TRUE(user.errors().empty());
}

TEST_F(UserScriptTest, ScriptErrorsNameTheirLine) {
  ScriptedUser user;
  std::vector<std::string> errors;
  user.SetErrorSink([&](const std::string& text) { errors.push_back(text); });
  platform::Script script;
  std::string error;
  ASSERT_TRUE(platform::ParseUserScript("on dialog \"Every Control\"\n\n  click 190\n  ok\nend\n",
                                        script, error));
  platform::RunUserScript(script, user);
  EveryControlRecord record;
  EXPECT_EQ(RunDialog(record), IDOK);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("line 3: click 190: control 190", 0), 0u) << errors[0];
}

TEST_F(UserScriptTest, ParserRefusesBadScriptsNamingTheLine) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"click 1\nfrobnicate 2\n", "line 2: unknown command \"frobnicate\""},
      {"on dialog 5000\n  ok\n", "line 1: on without end"},
      {"end\n", "line 1: end without on"},
      {"type 100 \"open\n", "line 1: a text has no closing quote"},
      {"click\n", "line 1: \"click\" takes 1 arguments, 0 given"},
      {"set 1 \"\\q\"\n", "line 1: unknown escape \\q"},
      {"\"show\"\n", "line 1: a command cannot be a text"},
  };
  for (const auto& test : cases) {
    platform::Script script;
    std::string error;
    EXPECT_FALSE(platform::ParseUserScript(test.text, script, error)) << test.text;
    EXPECT_EQ(error, test.error) << test.text;
  }
}

TEST_F(UserScriptTest, ExpectedBoxesAndUnicodeEscapes) {
  platform::Script script;
  std::string error;
  ASSERT_TRUE(platform::ParseUserScript(
      "expect box \"Outer question?\" \"Outer\" 0x1 cancel\n"
      "on dialog \"Every Control\"\n  click 192\n  set 100 \"\\u00e9t\\u00e9\"\n  ok\nend\n",
      script, error))
      << error;
  ScriptedUser user;
  EXPECT_TRUE(platform::RunUserScript(script, user));
  EveryControlRecord record;
  EXPECT_EQ(RunDialog(record), IDOK);
  EXPECT_NE(std::find(record.events.begin(), record.events.end(), "asked 2"), record.events.end());
  EXPECT_EQ(user.PendingMessageBoxes(), 0u);
  EXPECT_TRUE(user.errors().empty());
}

}  // namespace
}  // namespace vel::test
