#include "win32/main_window.h"

#include <utility>

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "app/dialogs/dialog_templates.h"
#include "app/files/names/dropped_files.h"
#include "win32/controls/library_tree_view.h"
#include "win32/resources/resource_ids.h"
#include "win32/wide_text.h"

namespace patchwarden {

namespace {

// The timer that drives the logic's answer watch, twice a second.
constexpr UINT_PTR tick_timer = 1;

// The scale the system's fonts and metrics are made for, in dots per inch.
UINT system_dpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// The scale of the screen a window shows on (Windows 10 knows it for each
// screen; older Windows has one for all).
UINT window_dpi(HWND window) {
    using dpi_for_window = UINT(WINAPI*)(HWND);
    static const auto ask = reinterpret_cast<dpi_for_window>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    const UINT dpi = ask ? ask(window) : 0;
    return dpi > 0 ? dpi : system_dpi();
}

}  // namespace

main_window::main_window(library_tree& library, message_box& box, file_chooser& files, midi_ports* ports)
    : dialog_window(main_window_template, nullptr, dialog_frame::main_window),
      library_(library) {
    logic_ = std::make_unique<main_window_logic>(static_cast<window_face&>(*this), library, box, files, ports,
                                                 notifications_);
    set_logic(logic_.get());
}

main_window::~main_window() {
    // The window goes while its logic still stands; then no notification
    // of the transport reaches it any more.
    if (handle()) DestroyWindow(handle());
    set_logic(nullptr);
    logic_.reset();
    if (tree_font_) DeleteObject(tree_font_);
}

int main_window::run() {
    return run_modal(nullptr);
}

HWND main_window::create() {
    return create_modeless(nullptr);
}

void main_window::draw_bar(transfer_bar bar, int maximum, int position) {
    const HWND shown = control(bar == transfer_bar::receive ? main_ids::receive_bar : main_ids::send_bar);
    SendMessageW(shown, PBM_SETRANGE32, 0, maximum);
    SendMessageW(shown, PBM_SETPOS, position, 0);
}

void main_window::on_created() {
    notifications_.set_window(handle());
    set_tree_font(window_dpi(handle()));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    auto icon = [instance](int metric_x, int metric_y) {
        return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(PW_PROGRAM_ICON), IMAGE_ICON,
                                             GetSystemMetrics(metric_x), GetSystemMetrics(metric_y), 0));
    };
    large_icon_ = icon(SM_CXICON, SM_CYICON);
    small_icon_ = icon(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large_icon_));
    SendMessageW(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon_));
    tree_view_ = std::make_unique<library_tree_view>(control(main_ids::tree), library_,
                                                     [this](library_node* node) { logic_->selection_changed(node); });
    if (!files_to_load_.empty()) PostMessageW(handle(), WM_LOAD_FILES, 0, 0);
    // Files dropped on any of the window's controls come to the window.
    DragAcceptFiles(handle(), TRUE);
    SetTimer(handle(), tick_timer, 500, nullptr);
}

bool main_window::on_message(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR&) {
    switch (message) {
    case WM_CLOSE:  // the close box, Alt+F4, the window menu; not Escape
        logic_->close();
        return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lparam);
        if (tree_view_ && header->idFrom == static_cast<UINT_PTR>(main_ids::tree)) tree_view_->notified(*header);
        return false;
    }
    case WM_SYSEX_DATA:
        if (wparam != 0) return false;  // DM_SETDEFID
        logic_->data_ready();
        return true;
    case WM_SYSEX_SENT:
        if (lparam <= 0) return false;  // DM_REPOSITION
        logic_->bytes_sent(static_cast<std::int32_t>(lparam));
        return true;
    case WM_SYSEX_ERROR: {
        const std::unique_ptr<std::u16string> text(reinterpret_cast<std::u16string*>(lparam));
        if (text) logic_->transport_error(std::move(*text));
        return true;
    }
    case WM_DROPFILES:
        dropped(reinterpret_cast<HDROP>(wparam));
        return true;
    case WM_LOAD_FILES:
        logic_->load_files(std::exchange(files_to_load_, {}));
        return true;
    case WM_TIMER:
        if (wparam != tick_timer) return false;
        logic_->tick();
        return true;
    case WM_CONTEXTMENU:  // a right click on the tree, Shift+F10 or the Menu key
        if (!tree_view_ || reinterpret_cast<HWND>(wparam) != control(main_ids::tree)) return false;
        show_tree_menu(lparam);
        return true;
    case WM_DPICHANGED:  // moved to a screen of another scale; the dialog manager scales the rest
        set_tree_font(HIWORD(wparam));
        return false;
    default: return false;
    }
}

void main_window::dropped(HDROP drop) {
    std::vector<std::filesystem::path> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
        name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
        paths.emplace_back(std::move(name));
    }
    DragFinish(drop);
    // Loaded once the drop is over: the replace prompts run loops of their
    // own, which the program that dropped the files must not wait for.
    const bool posted = !files_to_load_.empty();
    for (std::filesystem::path& path : files_to_load(paths)) files_to_load_.push_back(std::move(path));
    if (!posted && !files_to_load_.empty()) PostMessageW(handle(), WM_LOAD_FILES, 0, 0);
}

void main_window::on_destroy() {
    KillTimer(handle(), tick_timer);
    notifications_.set_window(nullptr);
    // Error texts posted but not yet shown are freed with the window.
    MSG waiting;
    while (PeekMessageW(&waiting, handle(), WM_SYSEX_ERROR, WM_SYSEX_ERROR, PM_REMOVE))
        delete reinterpret_cast<std::u16string*>(waiting.lParam);
    tree_view_.reset();
    for (HICON* icon : {&large_icon_, &small_icon_}) {
        if (*icon) DestroyIcon(*icon);
        *icon = nullptr;
    }
}

void main_window::show_tree_menu(LPARAM where) {
    POINT at{GET_X_LPARAM(where), GET_Y_LPARAM(where)};
    if (!tree_view_->menu_point(at)) return;
    const std::vector<menu_item> items = logic_->context_menu();
    if (items.empty()) return;
    const HMENU menu = CreatePopupMenu();
    for (const menu_item& item : items) {
        if (item.command == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuW(menu, MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED), static_cast<UINT_PTR>(item.command),
                        to_wide(item.caption).c_str());
        }
    }
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0, handle(), nullptr));
    DestroyMenu(menu);
    if (chosen != 0) logic_->command(chosen);
}

void main_window::set_tree_font(UINT dpi) {
    // Entry labels line up in columns in a fixed-pitch font: the system's
    // OEM font, made for the system's scale, or the same font scaled for a
    // screen of another one, in outline (a bitmap font does not scale).
    const auto oem = static_cast<HFONT>(GetStockObject(OEM_FIXED_FONT));
    HFONT scaled = nullptr;
    const UINT system = system_dpi();
    LOGFONTW font{};
    if (dpi != system && GetObjectW(oem, sizeof font, &font) == sizeof font) {
        font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(system));
        font.lfWidth = 0;
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        font.lfFaceName[0] = L'\0';
        scaled = CreateFontIndirectW(&font);
    }
    SendMessageW(control(main_ids::tree), WM_SETFONT, reinterpret_cast<WPARAM>(scaled ? scaled : oem), TRUE);
    if (tree_font_) DeleteObject(tree_font_);
    tree_font_ = scaled;
}

library_node* main_window::selected_node() const {
    return tree_view_ ? tree_view_->selected() : nullptr;
}

void main_window::select_node(const library_node* node) {
    if (tree_view_) tree_view_->select(node);
}

void main_window::show_placed(const library_node* node, int focus_id) {
    if (node && tree_view_) tree_view_->ensure_visible(node);
    SendMessageW(handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control(focus_id)), TRUE);
}

int main_window::run_dialog(dialog_logic& logic, dialog_controls& owner) {
    dialog_window dialog(logic.spec(), &logic);
    // The window and its dialogs are dialog windows as well as controls.
    const auto* owner_window = dynamic_cast<const dialog_window*>(&owner);
    return dialog.run_modal(owner_window && owner_window->handle() ? owner_window->handle() : handle());
}

void main_window::post_pump() {
    PostMessageW(handle(), WM_SYSEX_DATA, 0, 0);
}

}  // namespace patchwarden
