#include "platform/app/error_manager.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

// Records every box and answers with scripted buttons (else the default).
class ScriptedPresenter : public MessagePresenter {
 public:
  std::vector<MessageBox> shown;
  std::vector<int> answers;
  int exit_code = -1;
  int show(const MessageBox& box) override {
    shown.push_back(box);
    if (answers.empty()) return box.default_button;
    int a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void end_program(int code) override { exit_code = code; }
};

class ErrorManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    errors.Init(status);
    errors.SetPresenter(&presenter);
  }
  ErrorStatusClass status;
  ErrorClass errors;
  ScriptedPresenter presenter;
};

TEST_F(ErrorManagerTest, EachSeverityShowsItsButtonsAndReturnsItsAnswer) {
  errors.AddErrors({{500, Severity::Silent, "T", "silent"}});
  struct Case {
    int id;
    std::vector<int> answers;
    int shown_boxes;
    int buttons;
    MessageIcon icon;
    int result;
  };
  const Case cases[] = {
      {500, {}, 0, 0, MessageIcon::none, 0},
      {kMsgConfirmDelete, {kButtonYes}, 1, kButtonYes | kButtonNo, MessageIcon::question, 0},
      {kMsgConfirmDelete, {kButtonNo}, 1, kButtonYes | kButtonNo, MessageIcon::question, 4},
      {kMsgNoRecords, {}, 1, kButtonOk, MessageIcon::exclamation, 5},
  };
  for (const Case& c : cases) {
    presenter.shown.clear();
    presenter.answers = c.answers;
    EXPECT_EQ(errors.Throw(c.id), c.result) << c.id;
    ASSERT_EQ(presenter.shown.size(), static_cast<size_t>(c.shown_boxes)) << c.id;
    if (c.shown_boxes == 0) continue;
    EXPECT_EQ(presenter.shown[0].buttons, c.buttons);
    EXPECT_EQ(presenter.shown[0].icon, c.icon);
    EXPECT_EQ(presenter.shown[0].default_button, c.buttons & -c.buttons);
  }
  EXPECT_EQ(presenter.exit_code, -1);
}

TEST_F(ErrorManagerTest, StopAndInternalShowTheMessageThenHaltThenEndTheProgram) {
  for (int id : {kMsgOpenError, kMsgUseClosedFile}) {
    presenter.shown.clear();
    presenter.exit_code = -1;
    errors.SetErrors(2, "File Not Found");
    errors.ThrowFile(id, "QVMaterias.TPS");
    ASSERT_EQ(presenter.shown.size(), 2u);
    const MessageBox& first = presenter.shown[0];
    EXPECT_EQ(first.buttons, kButtonOk);
    EXPECT_EQ(first.icon, MessageIcon::exclamation);
    EXPECT_NE(first.text.find("  Press OK to end this application"), std::string::npos);
    EXPECT_EQ(presenter.shown[1].title, "Halt");
    EXPECT_EQ(presenter.shown[1].text, first.title);
    EXPECT_EQ(presenter.exit_code, 0);
  }
  EXPECT_EQ(presenter.shown[0].text,
            "Attempt to use file (QVMaterias.TPS) before it was opened"
            "  Press OK to end this application");
}

TEST_F(ErrorManagerTest, ExplicitButtonsReturnTheButtonPressed) {
  presenter.answers = {kButtonCancel};
  int answer = errors.Message(kMsgSaveRecord, kButtonYes | kButtonNo | kButtonCancel,
                              kButtonCancel);
  EXPECT_EQ(answer, kButtonCancel);
  ASSERT_EQ(presenter.shown.size(), 1u);
  EXPECT_EQ(presenter.shown[0].default_button, kButtonCancel);
  EXPECT_EQ(presenter.shown[0].title, "Save Record");
  // A default the box does not offer falls back to its first button.
  errors.Message(kMsgRetrySave, kButtonYes | kButtonNo, kButtonCancel);
  EXPECT_EQ(presenter.shown[1].default_button, kButtonYes);
}

TEST_F(ErrorManagerTest, PlaceholdersAreReplacedOnceAndLinesBreakAtBars) {
  errors.SetErrors(35, "Record Not Found");
  errors.SetFile("QVLIBJAR.TPS");
  EXPECT_EQ(errors.BuildText(kMsgRecordChangedOnRead),
            "This record was changed or deleted by another station.\nError: (Record Not Found "
            "(35)) attempting to access a record from the QVLIBJAR.TPS file.");
  // Errors 90 and 100 report the engine's own detail instead.
  errors.SetErrors(90, "File System Error", 1234, "page checksum mismatch");
  EXPECT_EQ(errors.BuildText("%ErrorText|%ErrorCode %Error %FileErrorCode %FileError"),
            "page checksum mismatch (1234)\n90 File System Error 1234 page checksum mismatch");
  // A value holding a placeholder name is not expanded again.
  errors.SetFile("%Message");
  errors.ThrowMessage(kMsgAccessDenied, "boom");
  EXPECT_EQ(presenter.shown.back().text,
            "Could not get write access to %Message so trying read-only.");
  EXPECT_EQ(errors.BuildText("100% %Unknown"), "100% %Unknown");
}

TEST_F(ErrorManagerTest, ProcedureIsTheInnermostRunningWindow) {
  EXPECT_EQ(errors.BuildText("[%Procedure]"), "[]");
  errors.SetProcedureName("Main");
  errors.SetProcedureName("Ventana_Seguimiento_Notas");
  EXPECT_EQ(errors.BuildText("%Procedure"), "Ventana_Seguimiento_Notas");
  errors.RemoveProcedureName();
  EXPECT_EQ(errors.BuildText("%Procedure"), "Main");
  errors.RemoveProcedureName();
  errors.RemoveProcedureName();  // more removals than names is harmless
  EXPECT_EQ(errors.BuildText("%Procedure"), "");
}

TEST_F(ErrorManagerTest, BuiltTextIsCutAt2000CharactersWithoutSplittingOne) {
  std::string accented;
  for (int i = 0; i < 1500; ++i) accented += "\xC3\xB1";  // 1500 two-byte characters
  errors.SetFile(accented + accented);
  std::string text = errors.BuildText("%File");
  EXPECT_EQ(text.size(), 4000u);  // 2000 characters of two bytes
  EXPECT_EQ(errors.BuildText("ab%File").substr(0, 2), "ab");
  EXPECT_EQ(errors.BuildText("ab%File").size(), 2u + 1998u * 2u);
}

TEST_F(ErrorManagerTest, UnknownNumbersInformInsteadOfEndingTheProgram) {
  EXPECT_EQ(errors.Throw(9999), 5);
  EXPECT_EQ(presenter.shown.back().text, "Message 9999 is not in the message table.");
  EXPECT_EQ(presenter.exit_code, -1);
}

}  // namespace
}  // namespace platform
