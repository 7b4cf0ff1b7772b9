# Patchwarden: the whole set-up on a fresh Debian 12 machine is
#   make run    build and start the program
#   make test   build and run the test suite, then the sanitizer builds of it,
#               then the sequencer tests against the kernel (make test-kernel)
# and, for developers,
#   make windows            cross-build the Windows program, build-windows/patchwarden.exe
#   make test-windows       the same with the tests, run under Wine on a virtual display
#   make windows-installer  the Windows installer, build-windows/patchwarden-<version>-setup.exe
#   make windows-screenshot docs/windows-window.png and -150.png, the Windows window under Wine
#   make windows-bench      Load's speed in the Windows window under Wine
#   make test-wine-midi     the WinMM back end under Wine on the kernel's sequencer
#   make deb                the Debian package
#   make mutants            plant single faults and see which the tests miss

SHELL := /bin/bash
JOBS ?= 2
PACKAGES := cmake g++ make pkg-config qt6-base-dev libasound2-dev libgtest-dev libgmock-dev \
            libbenchmark-dev clang libclang-rt-14-dev xvfb xauth fonts-dejavu-core fonts-liberation2 \
            desktop-file-utils appstream shared-mime-info groff-base dpkg-dev fakeroot file \
            lintian python3-mido
# CI builds treat warnings as errors.
WERROR := $(if $(CI),ON,OFF)
CMAKE_COMMON := -DPW_WERROR=$(WERROR)
# What make test-kernel needs to run the kernel in a virtual machine.
KERNEL_PACKAGES := qemu-system-x86 cpio
FUZZ_SECONDS ?= 60
FUZZ_TARGETS := fuzz_parse_message fuzz_split_messages fuzz_request_text fuzz_library fuzz_syx_file

# The Windows cross build: Debian's mingw-w64, GoogleTest from the sources in
# libgtest-dev, icoutils for the program icon, Wine on a virtual display
# (xvfb) with its fonts to run the tests, NSIS for the installer, ImageMagick
# for the screenshot. Wine keeps its Windows set-up (the prefix) in the build
# folder; making it takes several seconds the first time. Its windows are
# not left to a window manager (there is none on the virtual display, and
# Wine would wait for one whenever a window hides).
WINDOWS_PACKAGES := cmake make libgtest-dev g++-mingw-w64-x86-64 wine64 fonts-wine icoutils xvfb xauth \
                    nsis imagemagick
WINE := /usr/lib/wine/wine64
WINESERVER := /usr/lib/wine/wineserver
WINE_PREFIX := $(CURDIR)/build-windows/wine-prefix
WINE_ENV := WINEPREFIX=$(WINE_PREFIX) WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
XVFB := xvfb-run -a -s "-screen 0 1024x768x24"
VERSION := $(shell sed -n 's/^project.Patchwarden VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
WINDOWS_INSTALLER := build-windows/patchwarden-$(VERSION)-setup.exe
CCACHE_LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

.PHONY: run test test-kernel test-windows deps deps-kernel deps-windows build build-asan build-tsan \
        bench fuzz deb clean windows windows-configure windows-installer windows-screenshot windows-bench test-wine-midi

# Installs the Debian packages $(1) when any is missing, with the apt-get
# options $(2); $(3) says who needs them. Without root (or password-less
# sudo) it prints the one line to run instead.
define install_packages
	@missing=""; \
	for p in $(1); do \
	  dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -z "$$missing" ]; then exit 0; fi; \
	if [ "$$(id -u)" = 0 ]; then sudo=""; \
	elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then sudo="sudo"; \
	else \
	  echo "$(3) some Debian packages. Run this line, then try again:"; \
	  echo "  sudo apt-get update && sudo apt-get install -y $(2)$$missing"; \
	  exit 1; \
	fi; \
	echo "Installing:$$missing"; \
	$$sudo apt-get update && DEBIAN_FRONTEND=noninteractive $$sudo apt-get install -y $(2)$$missing
endef

# The packages the build needs.
deps:
	$(call install_packages,$(PACKAGES),,Patchwarden needs)

# The packages of the virtual machine that make test-kernel runs, without
# their recommendations; not needed where the kernel's sequencer is at hand.
deps-kernel:
	$(call install_packages,$(if $(wildcard /dev/snd/seq),,$(KERNEL_PACKAGES)),--no-install-recommends,The kernel tests need)

# The same for the Windows cross build (wine64's recommendations would bring
# a desktop's worth).
deps-windows:
	$(call install_packages,$(WINDOWS_PACKAGES),--no-install-recommends,The Windows build needs)

build: deps
	cmake -S . -B build $(CMAKE_COMMON)
	cmake --build build -j$(JOBS)

# Starts the program with the built-in A6 emulator listed after the MIDI
# ports, so that every road can be walked without the instrument.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then build/ui/patchwarden --emulator; \
	else echo "No display: starting Patchwarden under xvfb-run."; xvfb-run -a build/ui/patchwarden --emulator; fi

build-asan: deps
	cmake -S . -B build-asan $(CMAKE_COMMON) -DPW_SANITIZE=ON -DPW_BENCH=OFF
	cmake --build build-asan -j$(JOBS)

# ThreadSanitizer runs the transport and transfers tests only (Qt is not built for it).
build-tsan: deps
	cmake -S . -B build-tsan $(CMAKE_COMMON) -DPW_TSAN=ON -DPW_BENCH=OFF -DPW_UI=OFF
	cmake --build build-tsan -j$(JOBS)

test: build build-asan build-tsan deps-kernel
	cd build && ctest --output-on-failure -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j$(JOBS)
	cd build-tsan && TSAN_OPTIONS=halt_on_error=1 ctest --output-on-failure -j$(JOBS) -L 'midi|app'
	tests/vm/kernel_tests.sh build build-asan

# The ALSA back end and a6-emulator against the kernel's MIDI sequencer, the
# ordinary and the sanitizer build: on this machine when it has
# /dev/snd/seq (load snd-seq-dummy, snd-virmidi and snd-seq-midi), otherwise
# in a virtual machine (qemu without KVM, Debian's kernel, unpacked into
# build-vm/). Fails when a test fails or is skipped.
test-kernel: build build-asan deps-kernel
	tests/vm/kernel_tests.sh build build-asan

# The Debian package, build/patchwarden_<version>_<architecture>.deb, which
# depends on the Debian packages of the libraries the program links against.
# CI checks it with lintian (.ci/run).
deb: build
	cd build && cpack -G DEB

windows-configure: deps-windows
	cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake $(CMAKE_COMMON) $(CCACHE_LAUNCHER)

# The Windows program: one static GUI program that needs nothing beyond
# Windows.
windows: windows-configure
	cmake --build build-windows -j$(JOBS) --target patchwarden

# The Wine prefix the Windows programs run in, made once.
$(WINE_PREFIX)/.ready:
	$(WINE_ENV) $(WINE) wineboot --init
	$(WINE_ENV) $(WINE) reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
	$(WINE_ENV) $(WINESERVER) -w
	touch $@

# Wine's own fonts (fonts-wine) in the prefix's Fonts folder, where Windows
# keeps its fonts: Debian's Wine does not find them where the package puts
# them, and without them the dialogs are drawn in a substitute for Tahoma
# and the title bar's buttons show the letters that stand for their symbols
# in Marlett ("0 1 r").
$(WINE_PREFIX)/.fonts: $(WINE_PREFIX)/.ready
	cp /usr/share/wine/fonts/*.ttf $(WINE_PREFIX)/drive_c/windows/Fonts/
	touch $@

# The core (data/, library/, midi/ with the WinMM back end, app/) and the
# Windows program with their tests, built for Windows and run under Wine on
# a virtual display. A Wine left running from an earlier display is ended
# first. The programs run one at a time: Wine processes starting and ending
# at the same moment in a new prefix have once lost their server under them
# ("recvmsg: Connection reset by peer"), and a program that fails so is run
# once more.
test-windows: windows-configure
	cmake --build build-windows -j$(JOBS)
	$(MAKE) --no-print-directory $(WINE_PREFIX)/.fonts
	$(WINE_ENV) $(WINESERVER) -k 2>/dev/null || true
	cd build-windows && $(XVFB) env $(WINE_ENV) ctest --output-on-failure --timeout 600 --repeat until-pass:2

# The WinMM back end's own tests under Wine, whose winmm drives the kernel's
# MIDI sequencer, against a6-emulator (a sequencer client, started first):
# in the virtual machine of make test-kernel, which then carries this
# machine's Wine and the build's Wine prefix.
test-wine-midi: build windows-configure
	$(call install_packages,$(KERNEL_PACKAGES),--no-install-recommends,The Wine MIDI tests need)
	cmake --build build-windows -j$(JOBS) --target winmm_sequencer_tests
	$(MAKE) --no-print-directory $(WINE_PREFIX)/.ready
	tests/vm/kernel_tests.sh --wine build-windows build

# The installer, made with NSIS from the program without its debugging
# information: the program in Program Files, a Start-menu entry, the .syx
# file type and an uninstaller that Windows lists. CI installs, starts and
# removes it under Wine, and opens a .syx file as Explorer does
# (packaging/windows/try_installer.sh).
windows-installer: windows
	mkdir -p build-windows/installer
	x86_64-w64-mingw32-strip -o build-windows/installer/patchwarden.exe build-windows/patchwarden.exe
	makensis -V2 -DVERSION=$(VERSION) -DPROGRAM=$(CURDIR)/build-windows/installer/patchwarden.exe \
	  -DICON=$(CURDIR)/build-windows/win32/patchwarden.ico \
	  -DOUTFILE=$(CURDIR)/$(WINDOWS_INSTALLER) packaging/windows/patchwarden.nsi
	@ls -l $(WINDOWS_INSTALLER)

# docs/windows-window.png and docs/windows-window-150.png: the Windows window
# under Wine with a bank fetched from the emulator, on a screen of Windows'
# own scale (96 dots per inch) and of 150 % (144), each taken from the
# virtual display once the window is ready, and cut to the window.
WINDOWS_SHOTS := 96:windows-window 144:windows-window-150
windows-screenshot: windows-configure
	cmake --build build-windows -j$(JOBS) --target window_scene
	$(MAKE) --no-print-directory $(WINE_PREFIX)/.fonts
	$(WINE_ENV) $(WINESERVER) -k 2>/dev/null || true
	@set -e; cd build-windows; for shot in $(WINDOWS_SHOTS); do \
	  dpi=$${shot%%:*}; picture=../docs/$${shot#*:}.png; rm -f scene-ready scene-taken; \
	  xvfb-run -a -s "-screen 0 1280x1024x24" env $(WINE_ENV) sh -c '\
	    ../win32/tests/at_screen_scale.sh '"$$dpi"' win32/tests/window_scene.exe & \
	    for i in $$(seq 600); do [ -e scene-ready ] && break; sleep 0.1; done; \
	    import -window root -trim +repage '"$$picture"'; touch scene-taken; wait'; \
	  file $$picture; \
	done

# Load into the Windows window under Wine on a virtual display, with its
# figures (the Linux window's are in make bench, bench_ui).
windows-bench: windows-configure
	cmake --build build-windows -j$(JOBS) --target bench_load
	$(MAKE) --no-print-directory $(WINE_PREFIX)/.ready
	$(WINE_ENV) $(WINESERVER) -k 2>/dev/null || true
	cd build-windows && $(XVFB) env $(WINE_ENV) $(WINE) win32/bench_load.exe

bench: build
	@for b in build/bench/*/bench_*; do [ -x "$$b" ] && { echo "== $$b"; "$$b"; }; done; true

# libFuzzer targets, each run for FUZZ_SECONDS. A failing input is kept in
# build-fuzz/artifacts/<target>/ and the fuzzer's report is shown.
# An input that runs for over a minute counts as a failure (a hang).
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DPW_FUZZ=ON -DPW_WERROR=$(WERROR)
	cmake --build build-fuzz -j$(JOBS)
	@set -e; for t in $(FUZZ_TARGETS); do \
	  mkdir -p build-fuzz/corpus/$$t build-fuzz/artifacts/$$t; \
	  echo "== $$t for $(FUZZ_SECONDS) s"; \
	  if build-fuzz/fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -timeout=60 -print_final_stats=1 \
	       -artifact_prefix=build-fuzz/artifacts/$$t/ \
	       build-fuzz/corpus/$$t $$( [ -d fuzz/corpus/$$t ] && echo fuzz/corpus/$$t ) \
	       > build-fuzz/$$t.log 2>&1; then \
	    tail -n 12 build-fuzz/$$t.log; \
	  else \
	    tail -n 80 build-fuzz/$$t.log; \
	    echo "$$t failed: input kept in build-fuzz/artifacts/$$t/, full report in build-fuzz/$$t.log"; \
	    exit 1; \
	  fi; \
	done

# Plants single faults in the sources, one at a time, and runs the tests
# that cover each (tools/mutants.py, in build-mutants/ and, for ui/,
# build-mutants-ui/): BASE=REV for the lines changed since REV, FILES="..."
# for whole files, MUTANTS=N to pick N at random (SEED=S repeats a pick);
# with neither BASE nor FILES, 30 over app/ and midi/transport/. Too slow
# for CI: a mutant takes from a few seconds to a minute.
mutants: deps
	python3 tools/mutants.py $(if $(BASE),--base $(BASE)) $(if $(MUTANTS),--count $(MUTANTS)) \
	  $(if $(SEED),--seed $(SEED)) $(FILES)

clean:
	rm -rf build build-asan build-tsan build-fuzz build-windows build-vm build-mutants build-mutants-ui
