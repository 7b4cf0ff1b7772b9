#include "app/dialogs/dialog_templates.h"

namespace patchwarden {

namespace {

using k = control_kind;

constexpr control_spec main_controls[] = {
    {1006, k::push_button, "Con&fig", 336, 161, 63, 15, style_none},
    {1008, k::progress_bar, "", 329, 59, 77, 7, style_smooth},
    {no_id, k::group_box, "Get from A6:", 7, 7, 91, 63, style_none},
    {no_id, k::group_box, "Loaded data:", 105, 7, 210, 273, style_none},
    {1024, k::push_button, "&Load", 336, 91, 63, 14, style_none},
    {1025, k::check_box, "&Ask before replacing already loaded data", 14, 252, 77, 21, style_wraps},
    {no_id, k::group_box, "Send to A6:", 322, 7, 91, 63, style_none},
    {1027, k::push_button, "&Send", 336, 28, 63, 21, style_none},
    {1029, k::push_button, "U&nload", 21, 217, 63, 14, style_none},
    {1031, k::edit, "", 14, 21, 63, 12, style_scrolls},
    {1032, k::push_button, "&Get It", 21, 42, 63, 14, style_none},
    {1033, k::push_button, "Sa&ve", 336, 112, 63, 14, style_none},
    {1035, k::edit, "", 49, 120, 42, 12, style_disabled},
    {1036, k::edit, "", 49, 91, 28, 12, style_disabled},
    {no_id, k::static_text, "Bank:", 14, 91, 21, 12, style_none},
    {no_id, k::static_text, "Number:", 14, 119, 28, 12, style_none},
    {1037, k::push_button, "&Move", 21, 168, 63, 14, style_disabled},
    {no_id, k::group_box, "Selected:", 7, 77, 91, 168, style_none},
    {1038, k::push_button, "&Copy", 21, 189, 63, 14, style_disabled},
    {1039, k::check_box, "&Update on selection", 14, 105, 77, 8, style_none},
    {1040, k::check_box, "&Update on selection", 14, 133, 77, 8, style_none},
    {1041, k::push_button, "About", 336, 231, 63, 14, style_none},
    {1042, k::edit, "", 14, 147, 77, 12, style_disabled},
    {no_id, k::group_box, "SYX File:", 322, 77, 91, 63, style_none},
    {no_id, k::group_box, "MIDI:", 322, 147, 91, 70, style_none},
    {no_id, k::static_text, "in:", 329, 182, 14, 12, style_none},
    {no_id, k::static_text, "out:", 329, 196, 14, 12, style_none},
    {1045, k::edit, "", 343, 182, 63, 12, style_read_only},
    {1046, k::edit, "", 343, 196, 63, 12, style_read_only},
    {1001, k::tree_view, "", 112, 21, 196, 252, style_fixed_font},
    {1047, k::push_button, "&Quit", 336, 259, 63, 14, style_none},
    {1059, k::push_button, "...", 77, 91, 14, 12, style_disabled},
    {1060, k::push_button, "...", 77, 21, 14, 12, style_none},
    {1080, k::progress_bar, "", 14, 59, 77, 7, style_none},
};

constexpr control_spec config_controls[] = {
    {no_id, k::group_box, "MIDI In:", 7, 7, 147, 35, style_none},
    {1002, k::drop_down_list, "", 14, 21, 133, 12, style_scrolls},
    {no_id, k::group_box, "MIDI Out:", 7, 49, 147, 77, style_none},
    {1003, k::drop_down_list, "", 14, 63, 133, 12, style_scrolls},
    {no_id, k::static_text, "Buffer size:", 14, 84, 42, 12, style_none},
    {1004, k::edit, "", 119, 84, 28, 12, style_digits_only | style_scrolls},
    {no_id, k::static_text, "Pause between buffers (ms):", 14, 105, 98, 12, style_none},
    {1005, k::edit, "", 119, 105, 28, 12, style_digits_only | style_scrolls},
    {1, k::default_push_button, "&OK", 7, 133, 49, 14, style_none},
    {1012, k::push_button, "&Find A6", 56, 133, 49, 14, style_none},
    {2, k::push_button, "&Cancel", 105, 133, 49, 14, style_none},
};

constexpr control_spec get_controls[] = {
    {1078, k::push_button, "&Programs...", 7, 7, 105, 21, style_none},
    {1079, k::push_button, "&Mixes...", 7, 35, 105, 21, style_none},
    {1077, k::push_button, "&Global", 7, 63, 105, 21, style_none},
    {2, k::push_button, "&Cancel", 63, 91, 50, 14, style_none},
};

constexpr control_spec range_controls[] = {
    {1, k::default_push_button, "OK", 70, 70, 50, 14, style_none},
    {2, k::push_button, "Cancel", 126, 70, 50, 14, style_none},
    {1065, k::radio_button, "&Single", 7, 7, 42, 8, style_none},
    {1066, k::radio_button, "&Multiple", 7, 21, 42, 8, style_none},
    {1067, k::radio_button, "&Bank", 7, 35, 42, 8, style_none},
    {1068, k::radio_button, "M&ultiple banks", 7, 49, 63, 8, style_none},
    {1069, k::drop_down_list, "", 126, 7, 49, 14, style_scrolls},
    {1070, k::static_text, "Static", 70, 7, 35, 12, style_centre_vertically},
    {1072, k::static_text, "Static", 70, 21, 35, 12, style_centre_vertically},
    {1071, k::drop_down_list, "", 126, 21, 49, 14, style_scrolls},
    {1062, k::static_text, "Static", 70, 39, 28, 8, style_none},
    {1053, k::edit, "", 70, 49, 49, 12, style_digits_only | style_scrolls},
    {1063, k::static_text, "Static", 126, 39, 28, 8, style_none},
    {1054, k::edit, "", 126, 49, 49, 12, style_digits_only | style_scrolls},
};

constexpr control_spec bank_controls[] = {
    {1, k::default_push_button, "OK", 7, 28, 50, 14, style_none},
    {2, k::push_button, "Cancel", 63, 28, 50, 14, style_none},
    {1058, k::drop_down_list, "", 7, 7, 105, 14, style_scrolls},
};

}  // namespace

const dialog_spec main_window_template{101, "Patchwarden v1.00", 419, 289, main_controls};
const dialog_spec config_dialog_template{102, "MIDI Configuration", 160, 155, config_controls};
const dialog_spec get_dialog_template{105, "Get:", 118, 113, get_controls};
const dialog_spec bank_dialog_template{106, "Bank:", 118, 50, bank_controls};
const dialog_spec range_dialog_template{107, "Range:", 181, 92, range_controls};

}  // namespace patchwarden
