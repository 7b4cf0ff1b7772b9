// Load into the Windows window, shown, as the user's click runs it: a full
// library (every Program and Mix bank and the Global Data, 4,737 dumps) with
// "Ask before replacing" off, and 50 MB of random bytes holding no dump with
// it on, as the window starts. For comparison, the same files read and cut
// into candidates by the core alone. Each figure is the best of a few runs,
// in MB/s. make windows-bench runs it under Wine.

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <random>

#include "app/dialogs/dialog_templates.h"
#include "bench/full_library.h"
#include "app/files/file_chooser.h"
#include "app/files/syx_file.h"
#include "data/a6_message.h"
#include "library/library_tree.h"
#include "win32/main_window.h"
#include "win32/message_box.h"

namespace {

using namespace patchwarden;

class fixed_chooser : public file_chooser {
public:
    std::filesystem::path path;
    std::optional<std::filesystem::path> choose_open() override { return path; }
    std::optional<std::filesystem::path> choose_save(const std::u16string&) override { return path; }
};

void write_file(const std::filesystem::path& path, const byte_vector& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

byte_vector random_bytes(std::size_t size) {
    std::mt19937_64 random(7);
    byte_vector bytes(size);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The best of runs timings of work, in seconds; prepare runs untimed first.
double best_of(int runs, const std::function<void()>& prepare, const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

void report(const char* what, std::size_t bytes, double seconds) {
    std::printf("%-44s %8.1f ms %9.1f MB/s\n", what, seconds * 1e3, static_cast<double>(bytes) / 1e6 / seconds);
}

void bench(const char* name, const std::filesystem::path& file, bool ask) {
    const std::size_t size = static_cast<std::size_t>(std::filesystem::file_size(file));
    std::printf("%s: %zu bytes\n", name, size);
    std::size_t candidates = 0;
    report("  read and cut by the core", size, best_of(3, [&] { candidates = 0; }, [&] {
        read_syx_file(file, [&](byte_vector&&) { return ++candidates != 0; });
    }));

    win32_message_box box;
    fixed_chooser files;
    files.path = file;
    std::unique_ptr<library_tree> library;
    std::unique_ptr<main_window> window;
    HWND handle = nullptr;
    const double seconds = best_of(
        3,
        [&] {
            window.reset();
            library = std::make_unique<library_tree>();
            window = std::make_unique<main_window>(*library, box, files);
            handle = window->create();
            ShowWindow(handle, SW_SHOW);
            CheckDlgButton(handle, main_ids::ask, ask ? BST_CHECKED : BST_UNCHECKED);
            pump();
        },
        [&] {
            SendDlgItemMessageW(handle, main_ids::load, BM_CLICK, 0, 0);
            pump();  // the tree lays out and paints
        });
    report(ask ? "  Load in the window, asking before replacing" : "  Load in the window", size, seconds);
    std::printf("  %zu candidates, %zu library nodes\n", candidates, library->node_count());
    window.reset();
}

}  // namespace

int main() {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    const auto folder = std::filesystem::temp_directory_path() / ("pw_bench_load_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    write_file(folder / "full.syx", full_library_bytes());
    write_file(folder / "random.syx", random_bytes(50'000'000));
    bench("full library", folder / "full.syx", false);
    bench("50 MB of random bytes", folder / "random.syx", true);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return 0;
}
