#!/usr/bin/env bash
# Set-up, build and run helper for Inkwend on Debian 12.
#   ./dev.sh run     install what is missing, build, start the diary
#   ./dev.sh test    install what is missing, build with ASan+UBSan, run every test
#   ./dev.sh bench   install what is missing, build in Release, run the benchmarks
#   ./dev.sh fuzz T [SECONDS]  build the libFuzzer target T with clang and fuzz it (default 60 s)
#   ./dev.sh package  build in Release, make the Debian package with cpack and check it
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ pkg-config clang-format clang-tidy qt6-base-dev qt6-image-formats-plugins libgl-dev libfontconfig-dev libharfbuzz-dev libsodium-dev libicu-dev
          libgtest-dev libgmock-dev libbenchmark-dev wamerican
          libcairo2-dev fonts-liberation2 fonts-opensymbol fonts-urw-base35 fonts-dejavu-core poppler-utils
          icoutils fonts-noto-color-emoji fonts-noto-core xvfb xdotool x11-apps imagemagick pandoc python3-dbf
          printer-driver-cups-pdf)

install_missing() {
  local missing=()
  for p in "${PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

jobs() { nproc 2>/dev/null || echo 2; }

# A packager's build: Release, warnings not errors, then the package and its checks.
package() {
  install_missing dpkg-dev desktop-file-utils appstream
  cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DINKWEND_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr
  cmake --build build/package -j "$(jobs)"
  rm -f build/package/inkwend_*.deb
  (cd build/package && cpack -G DEB > cpack.log) || { cat build/package/cpack.log; exit 1; }
  app/tests/package/check_package.sh build/package/inkwend_*.deb build/package/check
}

case "${1:-}" in
  run)
    # xdg-utils lets Help > Contents hand the help page to the desktop's browser.
    install_missing xdg-utils
    cmake -S . -B build/run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DINKWEND_TESTS=OFF
    cmake --build build/run --target inkwend -j "$(jobs)"
    shift
    exec build/run/app/inkwend "$@"
    ;;
  test)
    install_missing
    cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DINKWEND_SANITIZE=ON -DINKWEND_WERROR=ON
    cmake --build build/test -j "$(jobs)"
    mkdir -p build/test/testtmp/home
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ctest --test-dir build/test --output-on-failure -j "$(jobs)" --timeout 600
    package
    ;;
  package)
    package
    ;;
  bench)
    install_missing libhunspell-dev hunspell-en-us
    install_missing unrtf
    # The peer of the print benchmark: LibreOffice's headless conversion to PDF.
    install_missing libreoffice-writer-nogui
    cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DINKWEND_TESTS=OFF -DINKWEND_BENCH=ON
    # The end-to-end benchmark drives the real programs under a virtual X server.
    install_missing xvfb xdotool
    cmake --build build/bench -j "$(jobs)"
    # Every benchmark runs, also after one fails; the failures are named at the end.
    failed=()
    for b in build/bench/benchmarks/*; do
      [ -f "$b" ] && [ -x "$b" ] || continue
      "$b" || { rc=$?; failed+=("$(basename "$b") (exit $rc)"); }
    done
    if [ ${#failed[@]} -gt 0 ]; then
      echo "Benchmarks that failed: ${failed[*]}" >&2
      exit 1
    fi
    echo "Every benchmark ran to the end."
    ;;
  fuzz)
    install_missing clang libclang-rt-14-dev
    CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DINKWEND_TESTS=OFF -DINKWEND_FUZZ=ON -DINKWEND_WERROR=ON
    cmake --build build/fuzz --target "$2" -j "$(jobs)"
    mkdir -p "build/fuzz/found/$2"
    build/fuzz/fuzzers/"$2" -max_total_time="${3:-60}" "build/fuzz/found/$2" "fuzz/corpus/$2"
    ;;
  *)
    sed -n '2,7p' "$0"
    exit 2
    ;;
esac
