#!/usr/bin/env bash
# Cross-builds the piece for Windows with mingw-w64: 64-bit x86 into
# build-win64/intro.exe (with the test programs the Wine test runs) and 32-bit
# x86 into build-win32/intro.exe. Both are statically linked: copy the .exe
# alone to a Windows machine and start it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
cmake -S "$root" -B "$root/build-win64" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DINTRO_WIN32_TEST_PROGRAMS=ON >/dev/null
cmake --build "$root/build-win64" -j "$jobs"
cmake -S "$root" -B "$root/build-win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" >/dev/null
cmake --build "$root/build-win32" -j "$jobs"
