// Loading a full library (every Program and Mix bank and the Global Data,
// 4,737 dumps) from a .syx file into the empty window with the tree shown,
// and saving "Everything" back.

#include <QAbstractButton>
#include <QApplication>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <unistd.h>

#include "bench/full_library.h"
#include "data/a6_message.h"
#include "data/message_box.h"
#include "library/library_tree.h"
#include "ui/files/file_chooser.h"
#include "ui/controls/control_table.h"
#include "ui/main_window.h"

namespace patchwarden {
namespace {

class fixed_chooser : public file_chooser {
public:
    std::u16string path;
    std::optional<std::filesystem::path> choose_open() override { return path; }
    std::optional<std::filesystem::path> choose_save(const std::u16string&) override { return path; }
};

std::filesystem::path bench_folder() {
    static const std::filesystem::path folder = [] {
        auto f = std::filesystem::temp_directory_path() / ("pw_bench_ui_" + std::to_string(::getpid()));
        std::filesystem::create_directories(f);
        return f;
    }();
    return folder;
}

// Every entry of every bank with its own name and body, and the Global Data.
std::filesystem::path full_library_file() {
    static const std::filesystem::path path = [] {
        const auto p = bench_folder() / "full.syx";
        std::ofstream out(p, std::ios::binary);
        const byte_vector bytes = full_library_bytes();
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        std::printf("full library file: %zu dumps, %zu bytes\n",
                    static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), 0xF7)), bytes.size());
        return p;
    }();
    return path;
}

void load_full_library(benchmark::State& state) {
    const auto file = full_library_file();
    yes_message_box box;
    fixed_chooser files;
    files.path = file.u16string();
    for (auto _ : state) {
        state.PauseTiming();
        auto library = std::make_unique<library_tree>();
        auto window = std::make_unique<main_window>(*library, box, files);
        window->show();
        control<QAbstractButton>(window.get(), 1025)->click();  // ask off
        QApplication::processEvents();
        state.ResumeTiming();

        control<QAbstractButton>(window.get(), 1024)->click();  // Load
        QApplication::processEvents();  // the tree lays out and paints

        state.PauseTiming();
        if (library->node_count() != 4737 + 3 + 19 + 18) state.SkipWithError("not everything was loaded");
        window.reset();
        library.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(file)));
}
BENCHMARK(load_full_library)->Unit(benchmark::kMillisecond)->UseRealTime();

void save_everything(benchmark::State& state) {
    const auto file = full_library_file();
    yes_message_box box;
    fixed_chooser files;
    library_tree library;
    main_window window(library, box, files);
    window.show();
    control<QAbstractButton>(&window, 1025)->click();
    files.path = file.u16string();
    control<QAbstractButton>(&window, 1024)->click();
    QApplication::processEvents();
    window.select_node(library.root());
    const auto out = bench_folder() / "everything.syx";
    files.path = out.u16string();
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove(out);
        state.ResumeTiming();
        control<QAbstractButton>(&window, 1033)->click();  // Save
    }
    if (std::filesystem::file_size(out) != std::filesystem::file_size(file)) state.SkipWithError("saved size differs");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(out)));
}
BENCHMARK(save_everything)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace patchwarden

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code error;
    std::filesystem::remove_all(patchwarden::bench_folder(), error);
    return 0;
}
