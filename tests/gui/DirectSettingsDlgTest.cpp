#include <QComboBox>
#include <QPushButton>

#include "gui/DirectSettingsDlg.h"
#include "switches/SettingLists.h"
#include "tests/gui/DialogTesting.h"

namespace vemora {
namespace {

class DirectSettingsDlgTest : public DialogTest {};

TEST_F(DirectSettingsDlgTest, OpensOnTheFirstItemOfBothListsWithBothButtonsUsable) {
    CDirectSettingsDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Vemora V1.0.3a");
    const struct {
        const char* name;
        Setting setting;
    } lists[] = {{"codeTableList", Setting::CodeTable},
                 {"characterSetList", Setting::CharacterSet}};
    for (const auto& l : lists) {
        const auto* list = dialog.findChild<QComboBox*>(l.name);
        ASSERT_NE(list, nullptr) << l.name;
        EXPECT_TRUE(list->isEnabled());
        EXPECT_EQ(list->currentIndex(), 0);
        const auto items = SettingItems(l.setting);
        ASSERT_EQ(list->count(), static_cast<int>(items.size()));
        for (int i = 0; i < list->count(); ++i) {
            EXPECT_EQ(list->itemText(i), items[i]);
        }
    }
    QStringList buttons;
    for (const QPushButton* button : dialog.findChildren<QPushButton*>()) {
        EXPECT_TRUE(button->isEnabled());
        buttons << button->text();
    }
    EXPECT_EQ(buttons, (QStringList{"Set Status", "Show Information"}));
}

}  // namespace
}  // namespace vemora
