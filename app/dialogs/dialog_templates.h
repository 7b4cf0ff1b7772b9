#pragma once

// The templates of the program's dialogs: the main window (101), "MIDI
// Configuration" (102), "Get:" (105), "Bank:" (106) and "Range:" (107), and
// the ids of their controls.

#include "app/dialogs/dialog_table.h"

namespace patchwarden {

// Main window, 101.
namespace main_ids {
inline constexpr int enter = 1;  // Enter pressed in an edit
inline constexpr int cancel = 2;  // Escape, close box
inline constexpr int tree = 1001;
inline constexpr int config = 1006;
inline constexpr int send_bar = 1008;
inline constexpr int load = 1024;
inline constexpr int ask = 1025;
inline constexpr int send = 1027;
inline constexpr int unload = 1029;
inline constexpr int request = 1031;
inline constexpr int get_it = 1032;
inline constexpr int save = 1033;
inline constexpr int number = 1035;
inline constexpr int bank = 1036;
inline constexpr int move = 1037;
inline constexpr int copy = 1038;
inline constexpr int update_bank = 1039;
inline constexpr int update_number = 1040;
inline constexpr int about = 1041;
inline constexpr int name = 1042;
inline constexpr int midi_in = 1045;
inline constexpr int midi_out = 1046;
inline constexpr int quit = 1047;
inline constexpr int choose_bank = 1059;
inline constexpr int choose_request = 1060;
inline constexpr int receive_bar = 1080;
}  // namespace main_ids

// "MIDI Configuration", 102.
namespace config_ids {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int input_list = 1002;
inline constexpr int output_list = 1003;
inline constexpr int buffer_size = 1004;
inline constexpr int pause = 1005;
inline constexpr int find_a6 = 1012;
}  // namespace config_ids

// "Get:", 105.
namespace get_ids {
inline constexpr int cancel = 2;
inline constexpr int global = 1077;
inline constexpr int programs = 1078;
inline constexpr int mixes = 1079;
}  // namespace get_ids

// "Bank:", 106.
namespace bank_ids {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int list = 1058;
}  // namespace bank_ids

// "Range:", 107.
namespace range_ids {
inline constexpr int ok = 1;
inline constexpr int cancel = 2;
inline constexpr int first_number = 1053;
inline constexpr int last_number = 1054;
inline constexpr int first_number_label = 1062;
inline constexpr int last_number_label = 1063;
inline constexpr int single = 1065;
inline constexpr int multiple = 1066;
inline constexpr int bank = 1067;
inline constexpr int multiple_banks = 1068;
inline constexpr int first_bank = 1069;
inline constexpr int first_bank_label = 1070;
inline constexpr int last_bank = 1071;
inline constexpr int last_bank_label = 1072;
}  // namespace range_ids

extern const dialog_spec main_window_template;
extern const dialog_spec config_dialog_template;
extern const dialog_spec get_dialog_template;
extern const dialog_spec bank_dialog_template;
extern const dialog_spec range_dialog_template;

}  // namespace patchwarden
