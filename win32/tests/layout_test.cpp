// The windows at the screen's scale: every dialog made from its table, at
// the scale the test runs for (PW_SCREEN_DPI, 96 when unset; ctest runs it
// at 96 and, through at_screen_scale.sh, at 144), is drawn at that scale in
// the dialog font of that scale, each control where its dialog units put
// it and whole, a wrapping caption within its box; the tree's font follows.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/dialogs/dialog_templates.h"
#include "library/library_tree.h"
#include "win32/controls/dialog_window.h"
#include "win32/files/file_chooser.h"
#include "win32/main_window.h"
#include "win32/message_box.h"

namespace patchwarden::testing {
namespace {

int expected_dpi() {
    const char* text = std::getenv("PW_SCREEN_DPI");
    return text ? std::atoi(text) : USER_DEFAULT_SCREEN_DPI;
}

std::string text(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// The height of the tree's font, 0 when its pitch is not fixed.
int tree_font_height(HWND dialog) {
    const HWND tree = GetDlgItem(dialog, main_ids::tree);
    TEXTMETRICW metrics{};
    const HDC dc = GetDC(tree);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(tree, dc);
    return (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) ? 0 : metrics.tmHeight;  // the flag means "varies"
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
    const int dpi = expected_dpi();
    using dpi_for_window = UINT(WINAPI*)(HWND);
    const auto dpi_of = reinterpret_cast<dpi_for_window>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    ASSERT_NE(dpi_of, nullptr);
    for (const dialog_spec* spec : {&main_window_template, &config_dialog_template, &get_dialog_template,
                                    &range_dialog_template, &bank_dialog_template}) {
        SCOPED_TRACE(spec->caption);
        main_window window(library, box, files);
        dialog_window small(*spec, nullptr);
        const HWND dialog = spec == &main_window_template ? window.create() : small.create_modeless(nullptr);
        ASSERT_NE(dialog, nullptr);

        // Drawn by the program itself at the screen's scale (Windows
        // enlarges, and blurs, the picture of a program that is not), in
        // 8-point type of that scale.
        EXPECT_EQ(static_cast<int>(dpi_of(dialog)), dpi);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
        EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
        // Room for the whole table (Wine's frame may leave a pixel or two more).
        RECT client{}, size{0, 0, spec->w, spec->h};
        GetClientRect(dialog, &client);
        MapDialogRect(dialog, &size);
        EXPECT_TRUE(client.right >= size.right && client.bottom >= size.bottom) << text(client) << " " << text(size);

        // The controls in the template's order: the table's, group boxes last.
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const bool group_boxes : {false, true}) {
            for (const control_spec& entry : spec->controls) {
                if ((entry.kind == control_kind::group_box) != group_boxes) continue;
                SCOPED_TRACE(std::to_string(entry.id) + " " + entry.caption);
                ASSERT_NE(child, nullptr);
                EXPECT_EQ(GetDlgCtrlID(child), entry.id);
                // The dialog manager turns position and size into pixels each.
                RECT units{entry.x, entry.y, entry.w, entry.h};
                MapDialogRect(dialog, &units);
                RECT actual{};
                GetWindowRect(child, &actual);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
                const bool wraps = entry.kind == control_kind::check_box && (entry.style & style_wraps);
                // A list's field is as high as its font makes it; a wrapping
                // caption's box as high as its lines, which fit, focus
                // rectangle and all.
                const bool own_height = wraps || entry.kind == control_kind::drop_down_list;
                const LONG height = own_height ? actual.bottom - actual.top : units.bottom;
                EXPECT_EQ(text(actual), text({units.left, units.top, units.left + units.right, units.top + height}));
                if (wraps) {
                    SIZE needed{actual.right - actual.left, 0};
                    ASSERT_TRUE(SendMessageW(child, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&needed)));
                    EXPECT_LE(needed.cy, height);
                    EXPECT_GE(height, units.bottom);
                }
                RECT inside{};
                EXPECT_TRUE(IntersectRect(&inside, &actual, &client) && EqualRect(&inside, &actual)) << "cut";
                child = GetWindow(child, GW_HWNDNEXT);
            }
        }
        EXPECT_EQ(child, nullptr);
    }
}

// The tree's labels are in a fixed-pitch font about 12 pixels high at 96
// dots per inch, of the window's scale. Windows tells a window moved to a
// screen of another scale; the dialog manager scales the dialog's own font
// and controls, the window its tree's.
TEST_F(window_layout, the_tree_font_follows_the_window_to_a_screen_of_another_scale) {
    const int dpi = expected_dpi();
    main_window window(library, box, files);
    const HWND dialog = window.create();
    const int own_height = tree_font_height(dialog);
    EXPECT_NEAR(own_height, MulDiv(12, dpi, 96), 2 * dpi / 96);
    for (const int screen : {2 * dpi, dpi}) {
        SCOPED_TRACE(screen);
        RECT suggested{};
        GetWindowRect(dialog, &suggested);
        SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(screen, screen), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_NEAR(tree_font_height(dialog), own_height * screen / dpi, 2 * screen / 96);
    }
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(GetDlgItem(dialog, main_ids::tree), WM_GETFONT, 0, 0)),
              GetStockObject(OEM_FIXED_FONT));
}

}  // namespace
}  // namespace patchwarden::testing
