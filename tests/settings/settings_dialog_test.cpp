// The settings dialog's fields: what typing does to them, and what 設定 and キャンセル take.

#include "settings/settings_dialog.h"

#include <gtest/gtest.h>

namespace corvala {
namespace {

SettingsDialogModel Opened(const SettingsFields& fields) {
    SettingsDialogModel m;
    m.fields = fields;
    m.Open();
    m.Activate();
    return m;
}

TEST(SettingsDialogTest, TheFolderGetsItsSeparatorAndADateFolderPickedByMistakeBecomesItsParent) {
    SettingsDialogModel m = Opened({"/data/old/", "5", "5", "12", {}});
    m.EditFolder("  /media/usb/日中データ  ");
    EXPECT_EQ(m.Apply().folder, "/media/usb/日中データ/");
    EXPECT_EQ(m.fields.folder, "/media/usb/日中データ/");
    EXPECT_FALSE(m.visible);

    m.Activate();
    m.EditFolder("/media/usb/日中データ/221111");
    EXPECT_EQ(m.Apply().folder, "/media/usb/日中データ/");
    m.Activate();
    m.EditFolder("/media/usb/日中データ/221111/");
    EXPECT_EQ(m.Apply().folder, "/media/usb/日中データ/");
    // Six characters that are not all digits, or five digits, are an ordinary folder.
    m.Activate();
    m.EditFolder("/data/22111a");
    EXPECT_EQ(m.Apply().folder, "/data/22111a/");
    m.Activate();
    m.EditFolder("/data/22111");
    EXPECT_EQ(m.Apply().folder, "/data/22111/");
}

TEST(SettingsDialogTest, APeriodAbove24Reads24AsItIsTypedAndEmptyFieldsKeepTheEarlierValues) {
    SettingsDialogModel m = Opened({"/data/", "5", "5", "12", {}});
    m.EditPeriod(0, "30");
    EXPECT_EQ(m.fields.ma1, "24");
    m.EditPeriod(0, "3");
    EXPECT_EQ(m.fields.ma1, "3");
    m.EditPeriod(1, "");
    m.EditFolder("   ");
    const SettingsChoice c = m.Apply();
    EXPECT_EQ(c.ma1, 3);
    EXPECT_EQ(c.ma2, 12);
    EXPECT_EQ(c.folder, "/data/");
    EXPECT_EQ(m.fields.ma2, "12");
    // A period that is no number of 1 or more keeps the earlier one too (a period of 0 has no
    // average).
    m.Activate();
    m.EditPeriod(0, "0");
    m.EditPeriod(1, "abc");
    const SettingsChoice d = m.Apply();
    EXPECT_EQ(d.ma1, 3);
    EXPECT_EQ(d.ma2, 12);
}

TEST(SettingsDialogTest, APastedLineEndIsCutFromTheFolder) {
    SettingsDialogModel m = Opened({});
    m.EditFolder("/data/日中データ\r\n");
    EXPECT_EQ(m.fields.folder, "/data/日中データ");
    m.EditFolder("/data/x\n");
    EXPECT_EQ(m.fields.folder, "/data/x");
}

TEST(SettingsDialogTest, TheBarLengthListOffersItsSixLengthsOnly) {
    SettingsDialogModel m = Opened({"/d/", "5", "5", "12", {}});
    m.ChooseBarLength("7");
    EXPECT_EQ(m.fields.barLength, "5");
    m.ChooseBarLength("10");
    EXPECT_EQ(m.Apply().barLength, 10);
    EXPECT_EQ(BarLengthItems(), (std::vector<std::string>{"1", "2", "3", "4", "5", "10"}));
}

TEST(SettingsDialogTest, CancelRestoresWhatTheFirstActivationKept) {
    SettingsDialogModel m = Opened({"/a/", "5", "5", "12", {}});
    m.EditFolder("/b/");
    m.EditPeriod(0, "9");
    m.ChooseBarLength("1");
    // Activated again while open (the user came back from the main window): nothing new is kept.
    EXPECT_FALSE(m.Activate());
    EXPECT_EQ(m.Cancel(), "/a/");
    EXPECT_EQ(m.fields, (SettingsFields{"/a/", "5", "5", "12", {}}));
    EXPECT_FALSE(m.visible);
    // After a cancel the next activation keeps again.
    m.Open();
    m.EditFolder("/c/");
    EXPECT_TRUE(m.Activate());
    m.EditFolder("/d/");
    EXPECT_EQ(m.Cancel(), "/c/");
}

TEST(SettingsDialogTest, ChosenFolderGetsItsSeparatorAndACancelledPickerLeavesTheField) {
    SettingsDialogModel m = Opened({"/a/", "5", "5", "12", {}});
    EXPECT_EQ(m.TakeChosenFolder("/home/me/日中データ"), "/home/me/日中データ/");
    EXPECT_EQ(m.fields.folder, "/home/me/日中データ/");
    EXPECT_EQ(m.TakeChosenFolder(""), "");
    EXPECT_EQ(m.fields.folder, "/home/me/日中データ/");
    EXPECT_EQ(VersionLine(), "バージョン：Ver2.1  2022.11.11");
}

}  // namespace
}  // namespace corvala
