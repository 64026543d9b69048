#include "platform/Scripted.h"
#include "support/TestEnvironment.h"

#include <QDialog>

#include <gtest/gtest.h>

namespace tsl::platform {
namespace {

TEST(ScriptedPlatform, UnscriptedQuestionsChangeNothing) {
    const Services& s = Platform();
    EXPECT_EQ(s.prompt->MessageBox(nullptr, "a", "", Buttons::Ok), IDOK);
    EXPECT_EQ(s.prompt->MessageBox(nullptr, "b", "", Buttons::YesNo), IDNO);
    EXPECT_EQ(s.prompt->MessageBox(nullptr, "c", "", Buttons::YesNoCancel), IDCANCEL);
    EXPECT_EQ(s.prompt->AskSaveChanges(nullptr, "/x.gif"), IDCANCEL);
    QDialog dialog;
    EXPECT_EQ(s.dialogs->RunModal(dialog), 0);
    EXPECT_TRUE(s.files->GetOpenFileNames(nullptr, {}).isEmpty());
    QColor colour(Qt::red);
    EXPECT_EQ(s.colour->GetColour(nullptr, colour), DialogResult::Cancel);
    EXPECT_EQ(colour, QColor(Qt::red));
    EXPECT_EQ(test::Script().messages.size(), 4u);
    EXPECT_EQ(test::Script().messages[3].text, QStringLiteral("Save changes to /x.gif?"));
}

TEST(ScriptedPlatform, ScriptedAnswersComeInOrderAndDialogsRunTheirCallbacks) {
    auto& script = test::Script();
    script.promptAnswers = {IDYES, IDNOTOALL};
    script.colourAnswers = {{DialogResult::Failed, {}}, {DialogResult::Ok, QColor(1, 2, 3)}};
    script.dialogScripts.push_back([](QDialog& d) {
        d.setObjectName("filled");
        return 1;
    });
    const Services& s = Platform();
    EXPECT_EQ(s.prompt->MessageBox(nullptr, "q", "", Buttons::YesNo), IDYES);
    EXPECT_EQ(s.prompt->AskSaveChanges(nullptr, "p"), IDNOTOALL);
    QColor colour;
    EXPECT_EQ(s.colour->GetColour(nullptr, colour), DialogResult::Failed);
    EXPECT_EQ(s.colour->GetColour(nullptr, colour), DialogResult::Ok);
    EXPECT_EQ(colour, QColor(1, 2, 3));
    QDialog dialog;
    dialog.setWindowTitle("Title");
    EXPECT_EQ(s.dialogs->RunModal(dialog), 1);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("filled"));
    EXPECT_EQ(script.dialogTitles, QStringList{"Title"});
    {
        CWaitCursor wait;
        EXPECT_EQ(script.waitCursorDepth, 1);
    }
    EXPECT_EQ(script.waitCursorDepth, 0);
    EXPECT_EQ(script.waitCursorUses, 1);
}

} // namespace
} // namespace tsl::platform
