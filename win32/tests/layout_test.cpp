// The windows at the screen's scale: every dialog made from its table, at
// the scale the test is run for (PW_SCREEN_DPI, 96 when unset; ctest runs
// it at 96 and, through at_screen_scale.sh, at 144), is drawn at that scale
// by the program itself (not enlarged by the system, which blurs), in the
// dialog font of that scale, with each control where its dialog units put
// it, whole and over no other, and captions that fit their controls.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/dialog_templates.h"
#include "library/library_tree.h"
#include "win32/controls/dialog_window.h"
#include "win32/files/file_chooser.h"
#include "win32/main_window.h"
#include "win32/message_box.h"

namespace patchwarden::testing {
namespace {

UINT expected_dpi() {
    const char* text = std::getenv("PW_SCREEN_DPI");
    return text ? static_cast<UINT>(std::atoi(text)) : USER_DEFAULT_SCREEN_DPI;
}

UINT dpi_of(HWND window) {
    using dpi_for_window = UINT(WINAPI*)(HWND);
    const auto ask = reinterpret_cast<dpi_for_window>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return ask ? ask(window) : 0;
}

LOGFONTW font_of(HWND window) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

RECT client_rect_of(HWND dialog, HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// Where the dialog manager puts a control: its position and its size, each
// turned into pixels by the dialog's base units.
RECT placed_by_units(HWND dialog, const control_spec& entry) {
    RECT units{entry.x, entry.y, entry.w, entry.h};
    MapDialogRect(dialog, &units);
    return {units.left, units.top, units.left + units.right, units.top + units.bottom};
}

std::string name_of(const control_spec& entry) {
    return std::to_string(entry.id) + " \"" + entry.caption + "\"";
}

// The dialog's controls as its template makes them: the table's order with
// the group boxes last.
std::vector<const control_spec*> in_window_order(const dialog_spec& spec) {
    std::vector<const control_spec*> order;
    for (bool group_boxes : {false, true})
        for (const control_spec& entry : spec.controls)
            if ((entry.kind == control_kind::group_box) == group_boxes) order.push_back(&entry);
    return order;
}

// The height of the tree's font and whether its pitch is fixed.
std::pair<int, bool> tree_font(HWND dialog) {
    const HWND tree = GetDlgItem(dialog, main_ids::tree);
    TEXTMETRICW metrics{};
    const HDC dc = GetDC(tree);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(tree, dc);
    // The flag named for fixed pitch is set for fonts whose pitch varies.
    return {metrics.tmHeight, (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0};
}

class window_layout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
    }

    library_tree library;
    win32_message_box box;
    win32_file_chooser files;
};

TEST_F(window_layout, every_dialog_is_drawn_at_the_screen_scale_as_its_dialog_units_place_it) {
    const UINT dpi = expected_dpi();
    const struct {
        const dialog_spec& spec;
        bool main;
    } dialogs[] = {
        {main_window_template, true},   {config_dialog_template, false}, {get_dialog_template, false},
        {range_dialog_template, false}, {bank_dialog_template, false},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.spec.caption);
        main_window window(library, box, files);
        dialog_window small(d.spec, nullptr);
        const HWND dialog = d.main ? window.create() : small.create_modeless(nullptr);
        ASSERT_NE(dialog, nullptr);

        // Drawn by the program at the screen's scale, in the dialog font of
        // that scale (8 points).
        EXPECT_EQ(dpi_of(dialog), dpi);
        EXPECT_EQ(font_of(dialog).lfHeight, -MulDiv(8, static_cast<int>(dpi), 72));

        RECT client{};
        GetClientRect(dialog, &client);
        const RECT window_units{0, 0, d.spec.w, d.spec.h};
        RECT window_size = window_units;
        MapDialogRect(dialog, &window_size);
        EXPECT_EQ(text(client), text(window_size));

        std::vector<std::pair<const control_spec*, RECT>> placed;
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const control_spec* entry : in_window_order(d.spec)) {
            SCOPED_TRACE(name_of(*entry));
            ASSERT_NE(child, nullptr);
            EXPECT_EQ(GetDlgCtrlID(child), entry->id);
            const RECT expected = placed_by_units(dialog, *entry);
            const RECT actual = client_rect_of(dialog, child);
            const bool wraps = entry->kind == control_kind::check_box && (entry->style & style_wraps);
            if (entry->kind == control_kind::drop_down_list || wraps) {
                // A list's field is as high as its font makes it; a caption
                // that wraps makes its box as high as its lines.
                EXPECT_EQ(text({actual.left, actual.top, actual.right, actual.top}),
                          text({expected.left, expected.top, expected.right, expected.top}));
                if (wraps) {
                    EXPECT_GE(actual.bottom, expected.bottom);
                }
            } else {
                EXPECT_EQ(text(actual), text(expected));
            }
            // Whole inside the window.
            EXPECT_TRUE(actual.left >= 0 && actual.top >= 0 && actual.right <= client.right &&
                        actual.bottom <= client.bottom)
                << text(actual);
            // A caption that wraps fits in its box, and so does the focus
            // rectangle around it.
            if (wraps) {
                SIZE needed{actual.right - actual.left, 0};
                ASSERT_TRUE(SendMessageW(child, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&needed)));
                EXPECT_LE(needed.cy, actual.bottom - actual.top);
            }
            if (entry->kind != control_kind::group_box) placed.emplace_back(entry, actual);
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr);

        // No control over another (group boxes frame them). Controls that
        // meet in dialog units may share the pixel that rounding gives both.
        for (auto& [entry, rect] : placed) {
            --rect.right;
            --rect.bottom;
        }
        for (std::size_t i = 0; i < placed.size(); ++i) {
            for (std::size_t j = i + 1; j < placed.size(); ++j) {
                RECT both{};
                EXPECT_FALSE(IntersectRect(&both, &placed[i].second, &placed[j].second))
                    << name_of(*placed[i].first) << " " << text(placed[i].second) << " and "
                    << name_of(*placed[j].first) << " " << text(placed[j].second);
            }
        }

        if (d.main) {
            // The tree's labels in a fixed-pitch font of the same scale,
            // about 12 pixels high at 96 dots per inch.
            const auto [height, fixed] = tree_font(dialog);
            EXPECT_TRUE(fixed);
            EXPECT_NEAR(height, MulDiv(12, static_cast<int>(dpi), 96), 2 * static_cast<int>(dpi) / 96);
        }
    }
}

// Windows tells a window moved to a screen of another scale; the dialog
// manager scales the dialog's own font and controls, the window its tree's
// font.
TEST_F(window_layout, the_tree_font_follows_the_window_to_a_screen_of_another_scale) {
    const int dpi = static_cast<int>(expected_dpi());
    main_window window(library, box, files);
    const HWND dialog = window.create();
    const int own_height = tree_font(dialog).first;
    for (const int screen : {2 * dpi, dpi}) {
        SCOPED_TRACE(screen);
        RECT suggested{};
        GetWindowRect(dialog, &suggested);
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(screen, screen), reinterpret_cast<LPARAM>(&suggested));
        const auto [height, fixed] = tree_font(dialog);
        EXPECT_TRUE(fixed);
        EXPECT_NEAR(height, own_height * screen / dpi, 2 * screen / 96);
    }
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(GetDlgItem(dialog, main_ids::tree), WM_GETFONT, 0, 0)),
              GetStockObject(OEM_FIXED_FONT));
}

}  // namespace
}  // namespace patchwarden::testing
