#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

#include "app/optionspage.h"
#include "app/radiogroup.h"
#include "platform/fontfilerule.h"
#include "platform/services.h"

namespace {

using td::SettingValue;
namespace setting = td::setting;

// Every stored option reaches its own control and comes back from it unchanged, with a value
// other than its default, so that no two options share a control or lose a value.
TEST(OptionsPage, EachOptionIsWrittenIntoItsControlAndReadBack) {
    td::Services services;
    td::OptionsPage page(services, nullptr, {});
    std::vector<std::pair<const td::SettingSpec*, SettingValue>> values;
    int n = 0;
    for (const td::SettingSpec* spec : td::kLoadedOptions) {
        SettingValue value;
        if (spec->type == td::SettingType::String) {
            value.text = QStringLiteral("text %1/").arg(++n);
        } else {
            value.number = spec->defaultNumber == spec->minimum ? spec->maximum : spec->minimum;
        }
        page.applySetting(*spec, value);
        values.emplace_back(spec, value);
    }
    for (const auto& [spec, value] : values) {
        const SettingValue back = page.settingOf(*spec);
        EXPECT_EQ(back.number, value.number) << spec->name;
        EXPECT_EQ(back.text, value.text) << spec->name;
    }
    EXPECT_EQ(page.SpinEdit4->value(), setting::savedsize.minimum);
    EXPECT_EQ(page.ComboBox2->currentIndex(), setting::Colors.minimum);
    EXPECT_FALSE(page.CheckBox8->isChecked());
    EXPECT_EQ(page.RadioGroup2->itemIndex(), setting::Image.maximum);
    EXPECT_EQ(page.pixelBudget(), setting::DIMFILE.minimum);
    EXPECT_EQ(page.Edit4->text(), page.settingOf(setting::Dfontdir).text);
    EXPECT_EQ(page.Edit6->text(), page.settingOf(setting::Basedir).text);
    EXPECT_EQ(page.Edit2->text(), page.settingOf(setting::Basefont).text);
    // "TrueType files only (.ttf)" sets the font file rule as its box changes.
    EXPECT_TRUE(td::trueTypeFilesOnly());
    page.CheckBox9->setChecked(false);
    EXPECT_FALSE(td::trueTypeFilesOnly());
    // The window placement has no control on this page.
    EXPECT_EQ(page.settingOf(setting::Height).number, 0);
}

}  // namespace
