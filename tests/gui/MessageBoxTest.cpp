#include "gui/MessageBox.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

class MessageBoxTest : public DialogTest {};

TEST_F(MessageBoxTest, TitleIsTheProgramNameAndIconFollowsTheMessage) {
    const struct {
        MessageIcon icon;
        QMessageBox::Icon shown;
    } cases[] = {{MessageIcon::Information, QMessageBox::Information},
                 {MessageIcon::Exclamation, QMessageBox::Warning},
                 {MessageIcon::None, QMessageBox::NoIcon}};
    for (const auto& c : cases) {
        MessageBoxAnswerer answer;
        ShowMessage(nullptr, "Some words.", c.icon);
        ASSERT_EQ(answer.Shown().size(), 1u);
        EXPECT_EQ(answer.Shown()[0].title, "message_box_tests");
        EXPECT_EQ(answer.Shown()[0].text, "Some words.");
        EXPECT_EQ(answer.Shown()[0].icon, c.shown);
        EXPECT_EQ(answer.Shown()[0].detail, "");
    }
}

}  // namespace
}  // namespace vemora
