// The Windows face driven through its real windows: the main window made
// without a loop of its own, its dialogs and message boxes run modally as
// in the program, against the built-in emulator.

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "app/dialogs/dialog_templates.h"
#include "app/transfers/midi_ports.h"
#include "library/library_tree.h"
#include "midi/emulator/a6_emulator.h"
#include "win32/files/file_chooser.h"
#include "win32/main_window.h"
#include "win32/message_box.h"
#include "win32/tests/window_driver.h"
#include "win32/wide_text.h"

namespace patchwarden::testing {
namespace {

class windows_face : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }

    windows_face() { emulator.set_speed(0); }

    HWND item(int id) const { return GetDlgItem(window_handle, id); }
    std::wstring text_of(int id) const { return window_text(item(id)); }
    // The node of the tree's selected item, or null.
    library_node* selected_in_tree() const {
        TVITEMW selected{};
        selected.mask = TVIF_PARAM;
        selected.hItem = TreeView_GetSelection(item(main_ids::tree));
        if (!selected.hItem || !TreeView_GetItem(item(main_ids::tree), &selected)) return nullptr;
        return reinterpret_cast<library_node*>(selected.lParam);
    }
    void select_item(std::u16string_view label) {
        TreeView_SelectItem(item(main_ids::tree), find_item(item(main_ids::tree), to_wide(label)));
    }
    // A bar's maximum and position.
    std::pair<int, int> bar(int id) const {
        return {static_cast<int>(SendMessageW(item(id), PBM_GETRANGE, FALSE, 0)),
                static_cast<int>(SendMessageW(item(id), PBM_GETPOS, 0, 0))};
    }

    // Con&fig, &Find A6 and OK, with large chunks and short pauses so that
    // a bank goes out in a moment; returns the text of the box the search
    // showed.
    std::wstring open_the_emulator() {
        std::wstring found;
        dialog_script script;
        script.then(L"MIDI Configuration", [](HWND config) { post_click(config, config_ids::find_a6); })
            .then(L"", [&](HWND box) {
                found = box_text(box);
                post_click(box, IDOK);
            })
            .then(L"MIDI Configuration", [](HWND config) {
                SetDlgItemTextW(config, config_ids::buffer_size, L"65536");
                SetDlgItemTextW(config, config_ids::pause, L"1");
                post_click(config, config_ids::ok);
            });
        click(window_handle, main_ids::config);
        EXPECT_TRUE(script.done());
        return found;
    }

    a6_emulator emulator;
    midi_ports ports{nullptr, &emulator};
    library_tree library;
    win32_message_box box;
    win32_file_chooser files;
    main_window window{library, box, files, &ports};
    HWND window_handle = window.create();
};

TEST_F(windows_face, shows_its_title_and_groups_and_quits_by_the_close_box_but_not_by_escape) {
    EXPECT_EQ(window_text(window_handle), L"Patchwarden v1.00");
    std::set<std::wstring> groups;
    for (HWND child = GetWindow(window_handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t kind[16] = {};
        GetClassNameW(child, kind, 16);
        if (std::wstring_view(kind) == WC_BUTTONW && (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            groups.insert(window_text(child));
    }
    EXPECT_EQ(groups, (std::set<std::wstring>{L"Get from A6:", L"Loaded data:", L"Send to A6:", L"SYX File:",
                                              L"Selected:", L"MIDI:"}));
    EXPECT_EQ(text_of(main_ids::midi_in), L"closed");
    EXPECT_EQ(IsDlgButtonChecked(window_handle, main_ids::ask), BST_CHECKED);

    // The dialog manager turns Escape into IDCANCEL.
    MSG escape{GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(window_handle, &escape));
    EXPECT_FALSE(window.ended());
    SendMessageW(window_handle, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(window.ended());
    EXPECT_EQ(window.result(), IDCANCEL);
}

TEST_F(windows_face, loads_a_file_chosen_in_the_open_dialog_into_the_tree_as_the_library_has_it) {
    // Two Programs out of their order and a Mix, under a name beyond Latin-1.
    std::vector<a6_message> records{a6_emulator::initial_program(0, 7), a6_emulator::initial_program(0, 3),
                                    a6_emulator::initial_mix(2, 1)};
    const std::wstring path = write_syx(L"Patchwarden \u00e9\u266b\u4e50 test.syx", records);
    dialog_script script;
    script.then(L"Open", [&](HWND open) {
        HWND name = GetDlgItem(open, cmb13);
        SetWindowTextW(name ? name : GetDlgItem(open, edt1), path.c_str());
        post_click(open, IDOK);
    });
    click(window_handle, main_ids::load);
    EXPECT_TRUE(script.done());
    std::filesystem::remove(path);

    const std::vector<tree_row> rows = tree_rows(item(main_ids::tree));
    EXPECT_EQ(rows, library_rows(library));
    for (const a6_message& record : records) {
        const std::wstring label = to_wide(entry_label(record));
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const tree_row& row) { return row.label == label; }))
            << wide_to_utf8(label);
    }
}

// Files dropped on the window, here on its tree, load in order as Load loads
// them; of what is dropped only the .syx files are taken.
TEST_F(windows_face, files_dropped_on_the_tree_load_in_order) {
    a6_message first = a6_emulator::initial_program(0, 3), second = a6_emulator::initial_program(2, 3);
    second.bank = 0;  // the same place, another sound
    const std::wstring paths[] = {
        write_syx(L"Patchwarden drop a.syx", {first}),
        write_syx(L"Patchwarden drop notes.txt", {a6_emulator::initial_program(0, 4)}),
        write_syx(L"Patchwarden drop \u266B b.SYX", {second}),
    };
    CheckDlgButton(window_handle, main_ids::ask, BST_UNCHECKED);  // the second replaces the first
    ASSERT_TRUE(drop_files(item(main_ids::tree), {paths[0], paths[1], paths[2]}));
    const bool loaded = pump_until([&] { return library.find_entry(program_dump, 0, 3) != nullptr; });
    for (const std::wstring& path : paths) std::filesystem::remove(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(library.find_entry(program_dump, 0, 3)->label(), entry_label(second));
    EXPECT_EQ(library.find_entry(program_dump, 0, 4), nullptr);
    EXPECT_EQ(tree_rows(item(main_ids::tree)), library_rows(library));
}

// Unload and Move take nodes out of the library: their items leave the tree
// with them, and the selection moves on to an item whose node stays.
TEST_F(windows_face, the_items_of_removed_nodes_leave_the_tree) {
    for (a6_message record : {a6_emulator::initial_program(0, 1), a6_emulator::initial_program(0, 2),
                              a6_emulator::initial_mix(0, 5)})
        library.insert_record(std::make_unique<a6_message>(record), false, box_buttons::yes_no, box);
    const auto rows_match = [&] {
        EXPECT_EQ(tree_rows(item(main_ids::tree)), library_rows(library));
        EXPECT_TRUE(!selected_in_tree() || library.contains(selected_in_tree()));
    };
    select_item(library.find_entry(program_dump, 0, 2)->label());
    click(window_handle, main_ids::unload);
    EXPECT_EQ(library.find_entry(program_dump, 0, 2), nullptr);
    rows_match();

    select_item(library.find_entry(program_dump, 0, 1)->label());
    SetDlgItemTextW(window_handle, main_ids::bank, L"c2");
    SetDlgItemTextW(window_handle, main_ids::number, L"9");
    click(window_handle, main_ids::move);
    ASSERT_NE(library.find_entry(program_dump, 4, 9), nullptr);
    rows_match();

    select_item(u"Everything");
    click(window_handle, main_ids::unload);
    EXPECT_EQ(library.root(), nullptr);
    EXPECT_EQ(TreeView_GetCount(item(main_ids::tree)), 0u);
}

TEST_F(windows_face, shows_an_error_a_transport_thread_raised_in_an_error_box) {
    std::wstring shown;
    dialog_script script;
    script.then(L"Error", [&](HWND box) {
        shown = box_text(box);
        post_click(box, IDOK);
    });
    std::thread([this] { ports.relay().report(u"sysex_out::SendAsyncThread - planted failure"); }).join();
    EXPECT_TRUE(pump_until([&] { return script.done(); }));
    EXPECT_EQ(shown, L"sysex_out::SendAsyncThread - planted failure");
}

// The default frame is on the focused push button, where Enter presses it,
// or on none: it does not stay behind on a button the focus has left.
TEST_F(windows_face, the_default_frame_leaves_a_button_with_the_focus) {
    const HWND tree = item(main_ids::tree);
    auto framed_buttons = [&] {
        std::vector<int> framed;
        for (HWND child = GetWindow(window_handle, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) framed.push_back(GetDlgCtrlID(child));
        return framed;
    };
    const struct {
        const char* what;
        int command;
        std::function<void()> then;
    } cases[] = {
        {"the tree clicked after Move", main_ids::move,
         [&] {
             SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
             SendMessageW(tree, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
         }},
        {"Copy disabled under the focus", main_ids::copy,
         [&] { TreeView_SelectItem(tree, find_item(tree, L"Programs")); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (library.root()) library.remove_subtree(library.root());
        for (int number : {1, 2})
            library.insert_record(std::make_unique<a6_message>(a6_emulator::initial_program(0, number)), false,
                                  box_buttons::yes_no, box);
        SetFocus(tree);
        TreeView_SelectItem(tree, TreeView_GetNextItem(tree, find_item(tree, L"User"), TVGN_CHILD));
        SetDlgItemTextW(window_handle, main_ids::number, L"9");
        ASSERT_TRUE(IsWindowEnabled(item(c.command)));
        click(window_handle, c.command);
        ASSERT_EQ(GetDlgCtrlID(GetFocus()), c.command);
        EXPECT_EQ(framed_buttons(), std::vector<int>{c.command});
        c.then();
        EXPECT_NE(GetDlgCtrlID(GetFocus()), c.command);
        EXPECT_EQ(framed_buttons(), std::vector<int>{});
    }
}

TEST_F(windows_face, finds_the_emulator_and_opens_it) {
    const std::wstring name = to_wide(emulator_device_name);
    EXPECT_EQ(open_the_emulator(), L"Andromeda v2.05 found\r\nin: " + name + L"\r\nout: " + name);
    EXPECT_EQ(text_of(main_ids::midi_in), name);
    EXPECT_EQ(text_of(main_ids::midi_out), name);
}

TEST_F(windows_face, gets_a_program_bank_chosen_in_get_and_range_and_sends_it_back_byte_for_byte) {
    open_the_emulator();
    bool banks_mode_shown = false, last_bank_followed = false, bank_mode_shown = false;
    dialog_script script;
    script.then(L"Get:", [](HWND get) { post_click(get, get_ids::programs); })
        .then(L"Get programs:", [](HWND range) { post_click(range, range_ids::multiple_banks); })
        .then(L"Get programs:",
              [&](HWND range) {
                  banks_mode_shown = visible(range, range_ids::last_bank) && !visible(range, range_ids::first_number);
                  choose(range, range_ids::first_bank, 1);  // Preset 1
                  last_bank_followed = SendDlgItemMessageW(range, range_ids::last_bank, CB_GETCURSEL, 0, 0) == 1;
                  post_click(range, range_ids::bank);
              })
        .then(L"Get programs:", [&](HWND range) {
            bank_mode_shown = visible(range, range_ids::first_bank) && !visible(range, range_ids::last_bank);
            post_click(range, range_ids::ok);
        });
    click(window_handle, main_ids::choose_request);
    EXPECT_TRUE(script.done());
    EXPECT_TRUE(banks_mode_shown);
    EXPECT_TRUE(last_bank_followed);
    EXPECT_TRUE(bank_mode_shown);
    ASSERT_EQ(text_of(main_ids::request), L"pp1");

    click(window_handle, main_ids::get_it);
    const auto bank_complete = [&] {
        for (int number = 0; number < 128; ++number)
            if (!library.find_entry(program_dump, 1, number)) return false;
        return true;
    };
    ASSERT_TRUE(pump_until(bank_complete));
    const std::vector<tree_row> rows = tree_rows(item(main_ids::tree));
    EXPECT_EQ(rows, library_rows(library));
    EXPECT_EQ(bar(main_ids::receive_bar), std::make_pair(1, 0));

    // Send the bank: its range is set when the pump hands it over, before
    // the first chunk is reported.
    TreeView_SelectItem(item(main_ids::tree), find_item(item(main_ids::tree), L"Preset 1"));
    click(window_handle, main_ids::send);
    MSG pump;
    ASSERT_TRUE(PeekMessageW(&pump, window_handle, WM_SYSEX_DATA, WM_SYSEX_DATA, PM_REMOVE));
    DispatchMessageW(&pump);
    std::vector<byte_vector> fetched;
    std::size_t bytes = 0;
    for (int number = 0; number < 128; ++number) {
        a6_message record = emulator.program(1, number);
        fetched.push_back(encode_message(record));
        bytes += fetched.back().size();
    }
    EXPECT_EQ(bar(main_ids::send_bar), std::make_pair(static_cast<int>(bytes / 256), 0));
    // The first chunk's report (the first Program, 2350 bytes) moves the bar
    // on by its whole units of 256 bytes.
    MSG first_chunk{};
    for (int waited_ms = 0; waited_ms < 30000; ++waited_ms) {
        if (PeekMessageW(&first_chunk, window_handle, WM_SYSEX_SENT, WM_SYSEX_SENT, PM_REMOVE)) break;
        Sleep(1);
    }
    ASSERT_EQ(first_chunk.message, WM_SYSEX_SENT);
    DispatchMessageW(&first_chunk);
    EXPECT_EQ(bar(main_ids::send_bar), std::make_pair(static_cast<int>(bytes / 256), 2350 / 256));
    ASSERT_TRUE(pump_until([&] { return emulator.received_count() == 128 && bar(main_ids::send_bar).first == 1; }));
    EXPECT_EQ(bar(main_ids::send_bar), std::make_pair(1, 0));  // emptied, not left full
    const std::vector<received_dump> sent = emulator.received();
    for (std::size_t i = 0; i < sent.size(); ++i) {
        a6_message record = sent[i].record;
        EXPECT_EQ(encode_message(record), fetched[i]) << "entry " << i;
    }
}

// Runs in the loop of the popup menu open now, on a thread timer.
std::function<void()> in_menu_loop;
void CALLBACK menu_tick(HWND, UINT, UINT_PTR, DWORD) {
    if (in_menu_loop) in_menu_loop();
}

// The items of the popup menu open now ("-" for a separator), after which
// the item at `position` (separators not counted) is chosen.
std::vector<std::wstring> choose_in_menu(int position) {
    std::vector<std::wstring> shown;
    const HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup || !IsWindowVisible(popup)) return shown;
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        const bool named = GetMenuStringW(menu, static_cast<UINT>(i), text, 64, MF_BYPOSITION) > 0;
        shown.push_back(named ? text : L"-");
    }
    for (int i = 0; i <= position; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    return shown;
}

// A right click on an item selects it and opens the core's menu there;
// Shift+F10 opens it for the selected item. The item chosen reaches its
// command: Unload, and Compare with A6 over the emulator. The window's
// timer drives the notice of a request without an answer.
TEST_F(windows_face, the_tree_menu_reaches_the_chosen_command) {
    open_the_emulator();
    for (const int number : {4, 5})
        library.insert_record(std::make_unique<a6_message>(a6_emulator::initial_program(0, number)), false,
                              box_buttons::yes_no, box);
    const HWND tree = item(main_ids::tree);
    const auto entry_item = [&](int number) {
        const HTREEITEM found = find_item(tree, to_wide(entry_label(a6_emulator::initial_program(0, number))));
        TreeView_EnsureVisible(tree, found);
        return found;
    };
    // A right click on 004 while 005 is selected; Shift+F10 on 005.
    RECT label{};
    TreeView_SelectItem(tree, entry_item(5));
    TreeView_GetItemRect(tree, entry_item(4), &label, TRUE);
    POINT at{(label.left + label.right) / 2, (label.top + label.bottom) / 2};
    ClientToScreen(tree, &at);
    SetCursorPos(at.x, at.y);
    std::vector<INPUT> right_click(2), keys(4);
    for (INPUT& input : right_click) input.type = INPUT_MOUSE;
    right_click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    right_click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[3].ki.wVk = VK_SHIFT;
    keys[1].ki.wVk = keys[2].ki.wVk = VK_F10;
    keys[2].ki.dwFlags = keys[3].ki.dwFlags = KEYEVENTF_KEYUP;

    const std::vector<std::wstring> items{L"Compare with A6", L"-", L"&Send", L"Sa&ve...", L"-", L"U&nload"};
    std::vector<std::wstring> shown, said;
    dialog_script script;
    script.then(L"", [&](HWND result) {
        said.push_back(box_text(result));
        post_click(result, IDOK);
    });
    const UINT_PTR timer = SetTimer(nullptr, 0, 25, menu_tick);
    const auto run = [&](std::vector<INPUT>& input, int position, const std::function<bool()>& done) {
        shown.clear();
        in_menu_loop = [&shown, position] {
            if (shown.empty()) shown = choose_in_menu(position);
        };
        SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
        return pump_until(done);
    };
    ASSERT_TRUE(run(right_click, 3, [&] { return !library.find_entry(program_dump, 0, 4); }));  // U&nload
    EXPECT_EQ(shown, items);
    EXPECT_NE(library.find_entry(program_dump, 0, 5), nullptr);

    TreeView_SelectItem(tree, entry_item(5));
    SetForegroundWindow(window_handle);
    SetFocus(tree);
    ASSERT_TRUE(run(keys, 0, [&] { return script.done(); }));  // Compare with A6
    EXPECT_EQ(shown, items);
    EXPECT_EQ(said, std::vector<std::wstring>{L"005 Prog 00:005: matches the A6."});
    KillTimer(nullptr, timer);
    in_menu_loop = nullptr;

    // The window's timer tells of a request that gets no answer.
    emulator.set_fault(emulator_fault::silent);
    std::chrono::minutes later{0};
    window.logic().set_clock([&] { return transfers::clock::now() + later; });
    script.then(L"", [&](HWND notice) {
        said.push_back(box_text(notice));
        post_click(notice, IDOK);
    });
    SetDlgItemTextW(window_handle, main_ids::request, L"pu:0");
    click(window_handle, main_ids::get_it);
    const transfer_counters& counters = window.logic().counters();
    ASSERT_TRUE(pump_until([&] { return counters.pending_replies == 1 && counters.bytes_queued == 0; }));
    later = std::chrono::minutes(1);
    ASSERT_TRUE(pump_until([&] { return script.done(); }));
    EXPECT_NE(said.back().find(L"0 of 1 replies have arrived."), std::wstring::npos);
}

}  // namespace
}  // namespace patchwarden::testing
