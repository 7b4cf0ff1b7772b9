// Compare with A6 through the window: the context menu's items, and the
// road over the emulator for banks, single entries and the Global Data,
// with entries that match, differ or never come back. The ask flag is on
// throughout: a reply that entered the library would raise a prompt.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/window/tree_menu.h"
#include "tests/app/support/ports_fixture.h"

namespace patchwarden {
namespace {

using namespace testing;

struct compare_test : ports_window_test {
    // A window over a new emulator (answering at once), its ports open.
    void open_emulator() {
        logic.reset();
        ports.reset();
        emulator = std::make_unique<a6_emulator>();
        open_window(false);
        configure(config_choice{});
        handle_posted();
    }
    void load(const a6_message& record) {
        library.insert_record(std::make_unique<a6_message>(record), false, box_buttons::yes_no, box);
    }
    // Compares the node; the texts of the boxes shown until its result.
    std::vector<std::u16string> compare(const library_node* node) {
        select(node);
        box.shown.clear();
        logic->command(compare_command);
        wait_until([&] { return !box.shown.empty() && logic->send_queue().empty(); });
        return box.texts();
    }
};

TEST_F(compare_test, the_menu_offers_compare_first_then_the_windows_commands_for_the_node) {
    const auto shape = [&] {
        select(library.root());
        std::vector<std::pair<int, bool>> items;  // command, enabled
        for (const menu_item& item : logic->context_menu()) items.emplace_back(item.command, item.enabled);
        return items;
    };
    using items = std::vector<std::pair<int, bool>>;
    EXPECT_TRUE(shape().empty());
    put(program_dump, 0, 5, u"Fat Bass");
    EXPECT_EQ(shape(), (items{{compare_command, true}, {0, false}, {main_ids::send, true}, {main_ids::save, true},
                              {0, false}, {main_ids::unload, true}}));
    EXPECT_EQ(logic->context_menu()[0].caption, u"Compare with A6");
    // An empty "Everything", left by a request record, can only be unloaded.
    library.remove_subtree(library.root());
    load(a6_message(program_request, 0, 1));
    EXPECT_EQ(shape(), (items{{compare_command, false}, {0, false}, {main_ids::send, false}, {main_ids::save, false},
                              {0, false}, {main_ids::unload, true}}));
}

TEST_F(compare_test, results_over_the_emulator) {
    struct entry {
        message_kind kind = unrecognised_message;
        int bank = -1, first = -1, last = -1;
    };
    const struct {
        const char* what;
        std::vector<entry> held;
        entry answered_differently;
        message_kind node_kind;  // the node compared: the entry or bank of the first held, or with none, Everything
        int levels_up;
        std::size_t requests;
        std::u16string said;
    } rows[] = {
        {"a bank that matches", {{program_dump, 0, 0, 127}}, {}, program_dump, 1, 1,
         u"User: 128 of 128 Programs match the A6."},
        {"one entry of a bank that differs", {{program_dump, 0, 0, 127}}, {program_dump, 0, 17, 17}, program_dump, 1, 1,
         u"User: 1 of 128 Programs differs from the A6:\r\n017 Prog 00:017"},
        {"a single entry", {{program_dump, 2, 5, 6}}, {}, program_dump, 0, 1, u"005 Prog 02:005: matches the A6."},
        {"a bank of one Mix", {{mix_dump, 2, 5, 5}}, {}, mix_dump, 1, 1, u"Card 1: 1 of 1 Mix matches the A6."},
        {"the Global Data", {{global_dump, 0, 0, 0}}, {global_dump, 0, 0, 0}, global_dump, 0, 1,
         u"Global Data: differs from the A6."},
        {"everything", {{program_dump, 0, 1, 1}, {mix_dump, 0, 2, 2}, {global_dump, 0, 0, 0}}, {mix_dump, 0, 2, 2},
         program_dump, 3, 3, u"Everything: 1 of 3 entries differs from the A6:\r\nMixes / User / 002 Mix 00:002"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        open_emulator();
        for (const entry& e : row.held) {
            for (int n = e.first; n <= e.last; ++n) {
                load(e.kind == program_dump ? a6_emulator::initial_program(e.bank, n)
                     : e.kind == mix_dump   ? a6_emulator::initial_mix(e.bank, n)
                                            : a6_emulator::initial_global());
            }
        }
        const entry& d = row.answered_differently;
        emulator->answer_differently(d.kind, d.bank, d.first);
        const library_node* node = library.find_entry(row.node_kind, row.held[0].bank, row.held[0].first);
        for (int up = 0; up < row.levels_up; ++up) node = node->parent();
        EXPECT_EQ(compare(node), std::vector<std::u16string>{row.said});  // no replace prompt
        EXPECT_EQ(emulator->requests_seen(), row.requests);
        EXPECT_EQ(logic->counters().replies_expected, 0);  // the receive bar ends empty
        library.remove_subtree(library.root());
    }
}

// Single requests for part of a bank; sixteen entries renamed since they
// were fetched differ, ten of them named.
TEST_F(compare_test, part_of_a_bank_names_ten_that_differ_and_how_many_more) {
    open_emulator();
    for (int n = 0; n < 20; ++n) {
        a6_message record = a6_emulator::initial_program(3, n);
        if (n % 5 != 0) set_name(record, u"Renamed " + decimal(n));
        load(record);
    }
    EXPECT_EQ(compare(library.find_entry(program_dump, 3, 0)->parent()),
              std::vector<std::u16string>{
                  u"Card 1: 16 of 20 Programs differ from the A6:\r\n001 Renamed 1\r\n002 Renamed 2\r\n"
                  u"003 Renamed 3\r\n004 Renamed 4\r\n006 Renamed 6\r\n007 Renamed 7\r\n008 Renamed 8\r\n"
                  u"009 Renamed 9\r\n011 Renamed 11\r\n012 Renamed 12\r\nand 6 more."});
    EXPECT_EQ(emulator->requests_seen(), 20u);
}

// The last three replies of the bank never come: the window says so while
// it waits, Con&fig ends the compare with them not compared, and the bar
// empties.
TEST_F(compare_test, replies_that_never_come_are_not_compared) {
    open_emulator();
    transfers::clock::time_point now{};
    logic->set_clock([&] { return now; });
    emulator->set_fault(emulator_fault::fewer_dumps, 3);
    for (int n = 0; n < 128; ++n) load(a6_emulator::initial_program(0, n));
    select(library.find_entry(program_dump, 0, 0)->parent());
    logic->command(compare_command);
    ASSERT_TRUE(wait_until(
        [&] { return logic->counters().replies_received == 125 && logic->counters().bytes_queued == 0; }));
    EXPECT_EQ(face.bar_state.maximum[static_cast<int>(transfer_bar::receive)], 128);
    EXPECT_EQ(face.bar_state.position[static_cast<int>(transfer_bar::receive)], 125);
    now += std::chrono::seconds(10);
    logic->tick();
    configure(config_choice{});
    ASSERT_EQ(box.texts().size(), 2u);
    EXPECT_NE(box.texts()[0].find(u"125 of 128 replies have arrived."), std::u16string::npos);
    EXPECT_EQ(box.texts()[1], u"User: 125 of 128 Programs match the A6.\r\n\r\n3 of 128 were not compared: the A6 did "
                              u"not send them back:\r\n125 Prog 00:125\r\n126 Prog 00:126\r\n127 Prog 00:127");
    EXPECT_EQ(face.bar_state.maximum[static_cast<int>(transfer_bar::receive)], 1);  // the empty bar
    EXPECT_EQ(logic->counters().replies_expected, 0);
}

// Replies go to the compare whose request is out, also behind a Get. One
// that comes after Con&fig released the compare stays out of the library
// when the compare asked for it and did not have it, until the next request
// goes out (a Send is none); any other dump goes in.
TEST_F(compare_test, late_replies_stay_out_of_the_library_until_the_next_request) {
    configure(config_choice{});
    get(u"pc1:9");
    handle_posted();
    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 3, 9, u"Got")));
    handle_posted();
    put(program_dump, 0, 5, u"Five");
    put(program_dump, 0, 6, u"Six");
    select(library.find_entry(program_dump, 0, 5)->parent());
    logic->command(compare_command);
    handle_posted();
    const auto deliver = [&](int bank, int number, std::u16string_view name) {
        ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, bank, number, name)));
        handle_posted();
    };
    deliver(0, 5, u"Five");
    deliver(3, 8, u"Panel");  // none of the compare's: goes in, and counts as the reply to pu:6
    configure([](dialog_logic& l, fake_dialog& d) { d.click(l, config_ids::cancel); });
    select(library.find_entry(program_dump, 0, 5));
    click(main_ids::send);
    handle_posted();
    deliver(0, 6, u"Late reply");      // stays out
    deliver(0, 5, u"From the panel");  // compared already: goes in
    get(u"pc1:7");
    handle_posted();
    deliver(3, 7, u"Seven");
    deliver(0, 6, u"Late again");  // a request went out since: goes in
    EXPECT_EQ(box.texts(), (std::vector<std::u16string>{
                               u"User: 1 of 2 Programs matches the A6.\r\n\r\n1 of 2 was not compared: the A6 did not "
                               u"send it back:\r\n006 Six",
                               replace_prompt_text(make_dump(program_dump, 0, 5, u"Five"),
                                                   make_dump(program_dump, 0, 5, u"From the panel")),
                               replace_prompt_text(make_dump(program_dump, 0, 6, u"Six"),
                                                   make_dump(program_dump, 0, 6, u"Late again"))}));
    EXPECT_NE(library.find_entry(program_dump, 3, 8), nullptr);
}

}  // namespace
}  // namespace patchwarden
