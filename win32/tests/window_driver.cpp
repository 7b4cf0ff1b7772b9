#include "win32/tests/window_driver.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <fstream>

#include "library/library_tree.h"
#include "win32/wide_text.h"

namespace patchwarden::testing {

namespace {

dialog_script* running_script = nullptr;

struct search {
    std::wstring_view caption;
    HWND found = nullptr;
};

BOOL CALLBACK match(HWND window, LPARAM param) {
    auto& wanted = *reinterpret_cast<search*>(param);
    wchar_t class_name[16] = {};
    GetClassNameW(window, class_name, 16);
    if (std::wstring_view(class_name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
    if (window_text(window) != wanted.caption) return TRUE;
    wanted.found = window;
    return FALSE;
}

std::wstring item_text(HWND tree, HTREEITEM item, bool& expanded) {
    wchar_t text[512] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT | TVIF_STATE | TVIF_CHILDREN;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = 512;
    data.stateMask = TVIS_EXPANDED;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    expanded = (data.state & TVIS_EXPANDED) && TreeView_GetChild(tree, item);
    return text;
}

void add_items(HWND tree, HTREEITEM first, int depth, std::vector<tree_row>& rows) {
    for (HTREEITEM item = first; item; item = TreeView_GetNextSibling(tree, item)) {
        bool expanded = false;
        std::wstring label = item_text(tree, item, expanded);
        rows.push_back({depth, std::move(label), expanded});
        add_items(tree, TreeView_GetChild(tree, item), depth + 1, rows);
    }
}

void add_nodes(const library_node& node, int depth, std::vector<tree_row>& rows) {
    rows.push_back({depth, to_wide(node.label()), node.expanded() && node.child_count() > 0});
    for (const auto& child : node.children()) add_nodes(*child, depth + 1, rows);
}

}  // namespace

HWND find_dialog(std::wstring_view caption) {
    search wanted{caption};
    EnumThreadWindows(GetCurrentThreadId(), match, reinterpret_cast<LPARAM>(&wanted));
    return wanted.found;
}

std::wstring box_text(HWND box) {
    return window_text(GetDlgItem(box, 0xFFFF));
}

void click(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void post_click(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void choose(HWND dialog, int id, int position) {
    const HWND list = GetDlgItem(dialog, id);
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

bool visible(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id));
}

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

std::filesystem::path write_syx(const std::wstring& name, std::vector<a6_message> records) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() / name;
    std::ofstream file(path, std::ios::binary);
    for (a6_message& record : records) {
        const byte_vector bytes = encode_message(record);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    return path;
}

bool drop_files(HWND onto, const std::vector<std::wstring>& paths) {
    HWND target = onto;
    while (target && !(GetWindowLongW(target, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) target = GetParent(target);
    if (!target) return false;
    // DROPFILES, then each name with its zero, then one more zero.
    std::wstring names;
    for (const std::wstring& path : paths) names += path + L'\0';
    names += L'\0';
    const std::size_t size = sizeof(DROPFILES) + names.size() * sizeof(wchar_t);
    const HGLOBAL memory = GlobalAlloc(GHND, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return PostMessageW(target, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

std::vector<tree_row> tree_rows(HWND tree) {
    std::vector<tree_row> rows;
    add_items(tree, TreeView_GetRoot(tree), 0, rows);
    return rows;
}

std::vector<tree_row> library_rows(const library_tree& library) {
    std::vector<tree_row> rows;
    for (const auto& top : library.top_level()) add_nodes(*top, 0, rows);
    return rows;
}

HTREEITEM find_item(HWND tree, std::wstring_view label) {
    std::vector<HTREEITEM> waiting{TreeView_GetRoot(tree)};
    while (!waiting.empty()) {
        const HTREEITEM item = waiting.back();
        waiting.pop_back();
        if (!item) continue;
        bool expanded = false;
        if (item_text(tree, item, expanded) == label) return item;
        waiting.push_back(TreeView_GetNextSibling(tree, item));
        waiting.push_back(TreeView_GetChild(tree, item));
    }
    return nullptr;
}

dialog_script::dialog_script() : timer_(SetTimer(nullptr, 0, 25, tick)) {
    running_script = this;
}

dialog_script::~dialog_script() {
    KillTimer(nullptr, timer_);
    running_script = nullptr;
}

dialog_script& dialog_script::then(std::wstring caption, std::function<void(HWND)> act) {
    steps_.push_back({std::move(caption), std::move(act)});
    return *this;
}

void CALLBACK dialog_script::tick(HWND, UINT, UINT_PTR, DWORD) {
    dialog_script* script = running_script;
    if (!script || script->steps_.empty()) return;
    const HWND dialog = find_dialog(script->steps_.front().caption);
    if (!dialog) return;
    // Taken off first: the step may open a loop in which the timer fires.
    const step next = std::move(script->steps_.front());
    script->steps_.pop_front();
    next.act(dialog);
}

}  // namespace patchwarden::testing
