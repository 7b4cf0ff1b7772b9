// Compare with A6 through the window: the context menu's items, and the
// road over the emulator for banks, single entries and the Global Data,
// with entries that match, differ or never come back. The library is left
// as it was and no replace prompt opens.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
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
        ASSERT_EQ(text(main_ids::midi_out), u"A6 emulator");
    }
    // Puts the emulator's own entries into the library, without asking.
    void load(const a6_message& record) {
        library.insert_record(std::make_unique<a6_message>(record), false, box_buttons::yes_no, box);
    }
    // Compares the node; the text of the box that ends it.
    std::u16string compare(const library_node* node) {
        select(node);
        box.shown.clear();
        logic->command(compare_command);
        if (!wait_until([&] { return !box.shown.empty() && logic->send_queue().empty(); })) return u"(no box)";
        return box.shown.back().text;
    }
    // Every node's label and record bytes, to see that nothing changed.
    std::vector<std::u16string> snapshot() const {
        std::vector<std::u16string> out;
        const auto visit = [&](const auto& self, const library_node& node) -> void {
            out.push_back(node.label());
            if (node.record()) out.emplace_back(node.record()->data.begin(), node.record()->data.end());
            for (const auto& child : node.children()) self(self, *child);
        };
        for (const auto& top : library.top_level()) visit(visit, *top);
        return out;
    }
};

TEST_F(compare_test, the_menu_offers_compare_first_then_the_windows_commands_for_the_node) {
    const auto shape = [&](const library_node* node) {
        select(node);
        std::vector<std::pair<int, bool>> items;  // command and whether it is enabled
        for (const menu_item& item : logic->context_menu()) items.emplace_back(item.command, item.enabled);
        return items;
    };
    EXPECT_TRUE(shape(nullptr).empty());
    put(program_dump, 0, 5, u"Fat Bass");
    EXPECT_EQ(shape(library.root()), (std::vector<std::pair<int, bool>>{
                                         {compare_command, true}, {0, false}, {main_ids::send, true},
                                         {main_ids::save, true}, {0, false}, {main_ids::unload, true}}));
    EXPECT_EQ(logic->context_menu()[0].caption, u"Compare with A6");
    // A request record leaves an empty "Everything" behind: nothing to
    // compare, send or save there, but it can be unloaded.
    library.remove_subtree(library.root());
    library.insert_record(std::make_unique<a6_message>(program_request, 0, 1), false, box_buttons::yes_no, box);
    EXPECT_EQ(shape(library.root()), (std::vector<std::pair<int, bool>>{
                                         {compare_command, false}, {0, false}, {main_ids::send, false},
                                         {main_ids::save, false}, {0, false}, {main_ids::unload, true}}));
}

TEST_F(compare_test, results_over_the_emulator) {
    const auto program = [](int bank, int number) { return a6_emulator::initial_program(bank, number); };
    const struct {
        const char* what;
        std::function<void(compare_test&)> fill;  // the library, and how the emulator answers
        std::function<const library_node*(const library_tree&)> node;
        std::size_t requests;
        std::u16string said;
    } rows[] = {
        {"a bank that matches",
         [&](compare_test& t) {
             for (int n = 0; n < 128; ++n) t.load(program(0, n));
         },
         [](const library_tree& l) { return l.find_entry(program_dump, 0, 0)->parent(); }, 1,
         u"User: 128 of 128 Programs match the A6."},
        {"one entry of a bank that differs",
         [&](compare_test& t) {
             for (int n = 0; n < 128; ++n) t.load(program(0, n));
             t.emulator->answer_differently(program_dump, 0, 17);
         },
         [](const library_tree& l) { return l.find_entry(program_dump, 0, 0)->parent(); }, 1,
         u"User: 1 of 128 Programs differs from the A6:\r\n017 Prog 00:017"},
        {"part of a bank, twelve renamed",
         [&](compare_test& t) {
             for (int n = 0; n < 20; ++n) {
                 a6_message record = program(3, n);
                 if (n % 5 != 0) set_name(record, u"Renamed " + decimal(n));
                 t.load(record);
             }
         },
         [](const library_tree& l) { return l.find_entry(program_dump, 3, 0)->parent(); }, 20,
         u"Card 1: 16 of 20 Programs differ from the A6:\r\n001 Renamed 1\r\n002 Renamed 2\r\n003 Renamed 3\r\n"
         u"004 Renamed 4\r\n006 Renamed 6\r\n007 Renamed 7\r\n008 Renamed 8\r\n009 Renamed 9\r\n011 Renamed 11\r\n"
         u"012 Renamed 12\r\nand 6 more."},
        {"a single entry",
         [&](compare_test& t) {
             t.load(program(0, 5));
             t.load(program(0, 6));
         },
         [](const library_tree& l) { return l.find_entry(program_dump, 0, 5); }, 1,
         u"005 Prog 00:005: matches the A6."},
        {"a single Mix that differs",
         [&](compare_test& t) {
             t.load(a6_emulator::initial_mix(2, 9));
             t.emulator->answer_differently(mix_dump, 2, 9);
         },
         [](const library_tree& l) { return l.find_entry(mix_dump, 2, 9); }, 1,
         u"009 Mix 02:009: differs from the A6."},
        {"the Global Data",
         [&](compare_test& t) { t.load(a6_emulator::initial_global()); },
         [](const library_tree& l) { return l.find_entry(global_dump, 0, 0); }, 1, u"Global Data: matches the A6."},
        {"everything, one Mix differs",
         [&](compare_test& t) {
             t.load(program(0, 1));
             t.load(a6_emulator::initial_mix(0, 2));
             t.load(a6_emulator::initial_global());
             t.emulator->answer_differently(mix_dump, 0, 2);
         },
         [](const library_tree& l) { return l.root(); }, 3,
         u"Everything: 1 of 3 entries differs from the A6:\r\nMixes / User / 002 Mix 00:002"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        open_emulator();
        row.fill(*this);
        const std::vector<std::u16string> before = snapshot();
        EXPECT_EQ(compare(row.node(library)), row.said);
        EXPECT_EQ(box.shown.size(), 1u);  // the result; no replace prompt
        EXPECT_EQ(box.shown.back().icon, box_icon::information);
        EXPECT_EQ(emulator->requests_seen(), row.requests);
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(face.bar_state.maximum[static_cast<int>(transfer_bar::receive)], 0);  // the bar ends empty
        library.remove_subtree(library.root());
    }
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
    ASSERT_TRUE(wait_until([&] { return logic->counters().replies_received == 125; }));
    EXPECT_EQ(face.bar_state.maximum[static_cast<int>(transfer_bar::receive)], 128);
    EXPECT_EQ(face.bar_state.position[static_cast<int>(transfer_bar::receive)], 125);
    now += std::chrono::seconds(10);
    logic->tick();
    ASSERT_EQ(box.texts().size(), 1u);
    EXPECT_NE(box.texts()[0].find(u"125 of 128 replies have arrived."), std::u16string::npos);

    configure(config_choice{});
    handle_posted();
    ASSERT_EQ(box.texts().size(), 2u);
    EXPECT_EQ(box.texts()[1], u"User: 125 of 128 Programs match the A6.\r\n\r\n3 of 128 were not compared: the A6 did "
                              u"not send them back:\r\n125 Prog 00:125\r\n126 Prog 00:126\r\n127 Prog 00:127");
    EXPECT_EQ(face.bar_state.maximum[static_cast<int>(transfer_bar::receive)], 0);
}

// A reply that comes after Con&fig released the compare stays out of the
// library when the compare asked for it; a dump it did not ask for goes in.
TEST_F(compare_test, a_late_reply_stays_out_of_the_library) {
    configure(config_choice{});
    put(program_dump, 0, 5, u"Loaded");
    select(library.find_entry(program_dump, 0, 5));
    logic->command(compare_command);
    handle_posted();
    ASSERT_TRUE(wait_until([&] { return devices.slices().size() == 1; }));
    configure([](dialog_logic& l, fake_dialog& d) { d.click(l, config_ids::cancel); });
    EXPECT_EQ(box.texts(), std::vector<std::u16string>{u"005 Loaded: not compared: the A6 did not send it back."});
    const std::u16string label = library.find_entry(program_dump, 0, 5)->label();

    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 0, 5, u"Late reply")));
    ASSERT_TRUE(devices.open_in->deliver(dump_bytes(program_dump, 0, 9, u"From the panel")));
    handle_posted();
    EXPECT_EQ(library.find_entry(program_dump, 0, 5)->label(), label);
    EXPECT_NE(library.find_entry(program_dump, 0, 9), nullptr);
    EXPECT_EQ(box.shown.size(), 1u);
}

}  // namespace
}  // namespace patchwarden
