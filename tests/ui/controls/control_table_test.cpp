// The dialogs as built from their tables: ids, kinds, captions, geometry in
// dialog units and the initial states the templates give.

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <gtest/gtest.h>
#include <set>
#include <span>

#include "app/dialogs/dialog_templates.h"
#include "ui/controls/control_table.h"

namespace patchwarden {
namespace {

struct expected_control {
    int id;
    const char* type;  // Qt class name
    const char* caption;
    int x, y, w, h;
    bool enabled;
};

// The main window as its users know it.
const expected_control main_expected[] = {
    {1006, "QPushButton", "Con&fig", 336, 161, 63, 15, true},
    {1008, "QProgressBar", "", 329, 59, 77, 7, true},
    {1024, "QPushButton", "&Load", 336, 91, 63, 14, true},
    {1025, "patchwarden::wrapping_check_box", "&Ask before replacing already loaded data", 14, 252, 77, 21, true},
    {1027, "QPushButton", "&Send", 336, 28, 63, 21, true},
    {1029, "QPushButton", "U&nload", 21, 217, 63, 14, true},
    {1031, "QLineEdit", "", 14, 21, 63, 12, true},
    {1032, "QPushButton", "&Get It", 21, 42, 63, 14, true},
    {1033, "QPushButton", "Sa&ve", 336, 112, 63, 14, true},
    {1035, "QLineEdit", "", 49, 120, 42, 12, false},
    {1036, "QLineEdit", "", 49, 91, 28, 12, false},
    {1037, "QPushButton", "&Move", 21, 168, 63, 14, false},
    {1038, "QPushButton", "&Copy", 21, 189, 63, 14, false},
    {1039, "QCheckBox", "&Update on selection", 14, 105, 77, 8, true},
    {1040, "QCheckBox", "&Update on selection", 14, 133, 77, 8, true},
    {1041, "QPushButton", "About", 336, 231, 63, 14, true},
    {1042, "QLineEdit", "", 14, 147, 77, 12, false},
    {1045, "QLineEdit", "", 343, 182, 63, 12, true},
    {1046, "QLineEdit", "", 343, 196, 63, 12, true},
    {1001, "patchwarden::lined_tree_view", "", 112, 21, 196, 252, true},
    {1047, "QPushButton", "&Quit", 336, 259, 63, 14, true},
    {1059, "QPushButton", "...", 77, 91, 14, 12, false},
    {1060, "QPushButton", "...", 77, 21, 14, 12, true},
    {1080, "QProgressBar", "", 14, 59, 77, 7, true},
};

const expected_control config_expected[] = {
    {1002, "QComboBox", "", 14, 21, 133, 12, true},
    {1003, "QComboBox", "", 14, 63, 133, 12, true},
    {1004, "QLineEdit", "", 119, 84, 28, 12, true},
    {1005, "QLineEdit", "", 119, 105, 28, 12, true},
    {1, "QPushButton", "&OK", 7, 133, 49, 14, true},
    {1012, "QPushButton", "&Find A6", 56, 133, 49, 14, true},
    {2, "QPushButton", "&Cancel", 105, 133, 49, 14, true},
};

const expected_control get_expected[] = {
    {1078, "QPushButton", "&Programs...", 7, 7, 105, 21, true},
    {1079, "QPushButton", "&Mixes...", 7, 35, 105, 21, true},
    {1077, "QPushButton", "&Global", 7, 63, 105, 21, true},
    {2, "QPushButton", "&Cancel", 63, 91, 50, 14, true},
};

const expected_control range_expected[] = {
    {1, "QPushButton", "OK", 70, 70, 50, 14, true},
    {2, "QPushButton", "Cancel", 126, 70, 50, 14, true},
    {1065, "QRadioButton", "&Single", 7, 7, 42, 8, true},
    {1066, "QRadioButton", "&Multiple", 7, 21, 42, 8, true},
    {1067, "QRadioButton", "&Bank", 7, 35, 42, 8, true},
    {1068, "QRadioButton", "M&ultiple banks", 7, 49, 63, 8, true},
    {1069, "QComboBox", "", 126, 7, 49, 14, true},
    {1070, "QLabel", "Static", 70, 7, 35, 12, true},
    {1072, "QLabel", "Static", 70, 21, 35, 12, true},
    {1071, "QComboBox", "", 126, 21, 49, 14, true},
    {1062, "QLabel", "Static", 70, 39, 28, 8, true},
    {1053, "QLineEdit", "", 70, 49, 49, 12, true},
    {1063, "QLabel", "Static", 126, 39, 28, 8, true},
    {1054, "QLineEdit", "", 126, 49, 49, 12, true},
};

const expected_control bank_expected[] = {
    {1, "QPushButton", "OK", 7, 28, 50, 14, true},
    {2, "QPushButton", "Cancel", 63, 28, 50, 14, true},
    {1058, "QComboBox", "", 7, 7, 105, 14, true},
};

QString caption_of(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
    return {};
}

void check_dialog(const dialog_spec& spec, std::span<const expected_control> expected, const char* title, int w,
                  int h) {
    QDialog dialog;
    build_dialog(dialog, spec);
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8(title));
    EXPECT_EQ(dialog.size(), dialog_units_to_pixels(QRect(0, 0, w, h), dialog.font()).size());
    for (const expected_control& e : expected) {
        SCOPED_TRACE(e.id);
        QWidget* widget = find_control(&dialog, e.id);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), e.type);
        EXPECT_EQ(caption_of(widget), QString::fromUtf8(e.caption));
        EXPECT_EQ(widget->geometry(), dialog_units_to_pixels(QRect(e.x, e.y, e.w, e.h), dialog.font()));
        EXPECT_EQ(widget->isEnabled(), e.enabled);
        EXPECT_EQ(control_id(widget), e.id);
    }
    // Every control with an id is one of those expected, and no id is used twice.
    std::set<int> ids;
    for (const control_spec& c : spec.controls) {
        if (c.id == no_id) continue;
        EXPECT_TRUE(ids.insert(c.id).second) << c.id;
    }
    EXPECT_EQ(ids.size(), expected.size());
}

TEST(control_table, main_window_controls) {
    check_dialog(main_window_template, main_expected, "Patchwarden v1.00", 419, 289);
}

TEST(control_table, main_window_group_boxes_and_labels) {
    QDialog dialog;
    build_dialog(dialog, main_window_template);
    QStringList groups;
    for (auto* group : dialog.findChildren<QGroupBox*>()) {
        groups << group->title();
        // Clicks pass through a frame to the controls on it.
        EXPECT_TRUE(group->testAttribute(Qt::WA_TransparentForMouseEvents));
    }
    groups.sort();
    EXPECT_EQ(groups, (QStringList{"Get from A6:", "Loaded data:", "MIDI:", "SYX File:", "Selected:", "Send to A6:"}));
    QStringList labels;
    for (auto* label : dialog.findChildren<QLabel*>()) labels << label->text();
    labels.sort();
    EXPECT_EQ(labels, (QStringList{"Bank:", "Number:", "in:", "out:"}));
}

TEST(control_table, small_dialogs) {
    check_dialog(config_dialog_template, config_expected, "MIDI Configuration", 160, 155);
    QDialog config;
    build_dialog(config, config_dialog_template);
    QStringList texts;
    for (auto* group : config.findChildren<QGroupBox*>()) texts << group->title();
    for (auto* label : config.findChildren<QLabel*>()) texts << label->text();
    texts.sort();
    EXPECT_EQ(texts, (QStringList{"Buffer size:", "MIDI In:", "MIDI Out:", "Pause between buffers (ms):"}));
    check_dialog(get_dialog_template, get_expected, "Get:", 118, 113);
    check_dialog(range_dialog_template, range_expected, "Range:", 181, 92);
    check_dialog(bank_dialog_template, bank_expected, "Bank:", 118, 50);
}

TEST(control_table, only_the_table_says_which_button_is_default) {
    QDialog main_dialog;
    build_dialog(main_dialog, main_window_template);
    for (auto* button : main_dialog.findChildren<QPushButton*>()) EXPECT_FALSE(button->isDefault());
    QDialog config;
    build_dialog(config, config_dialog_template);
    EXPECT_TRUE(control<QPushButton>(&config, 1)->isDefault());
    EXPECT_FALSE(control<QPushButton>(&config, 1012)->isDefault());
    QDialog range;
    build_dialog(range, range_dialog_template);
    EXPECT_TRUE(control<QPushButton>(&range, 1)->isDefault());
    EXPECT_FALSE(control<QPushButton>(&range, 2)->isDefault());
}

TEST(control_table, dialog_units_follow_the_font) {
    QFont font = dialog_font();
    const QPoint base = dialog_base_units(font);
    ASSERT_GT(base.x(), 0);
    ASSERT_GT(base.y(), 0);
    // Four horizontal units are one average character, eight vertical ones a line.
    EXPECT_EQ(dialog_units_to_pixels(QRect(0, 0, 4, 8), font).size(), QSize(base.x(), base.y()));
    EXPECT_EQ(dialog_units_to_pixels(QRect(40, 80, 4, 8), font).topLeft(), QPoint(10 * base.x(), 10 * base.y()));
    // A bigger font gives a bigger dialog.
    QFont big = font;
    big.setPointSizeF(font.pointSizeF() * 2);
    EXPECT_GT(dialog_units_to_pixels(QRect(0, 0, 419, 289), big).width(),
              dialog_units_to_pixels(QRect(0, 0, 419, 289), font).width());
}

TEST(control_table, lookup_of_unknown_ids_finds_nothing) {
    QDialog dialog;
    build_dialog(dialog, bank_dialog_template);
    EXPECT_EQ(find_control(&dialog, 9999), nullptr);
    EXPECT_EQ(find_control(&dialog, no_id), nullptr);
    EXPECT_EQ(find_control(nullptr, 1), nullptr);
    EXPECT_EQ(control<QLineEdit>(&dialog, 1058), nullptr);  // a list, not an edit
}

}  // namespace
}  // namespace patchwarden
