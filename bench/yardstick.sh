# Sourced by startup.sh and memory.sh: builds a yardstick program of bench/startup/ into
# build/bench/, like the executable: static runtime, GUI subsystem, wWinMain, optimised
# and stripped, sections page-aligned in the file.
#   build_like_the_executable SOURCE [OUTPUT NAME] [EXTRA ARGUMENTS...]
build_like_the_executable() {
  mkdir -p build/bench
  i686-w64-mingw32-g++-posix -std=c++17 -O2 -static -static-libgcc -static-libstdc++ \
    -mwindows -municode -s -Wl,--file-alignment,0x1000 "bench/startup/$1.cpp" \
    -o "build/bench/${2:-$1}.exe" "${@:3}"
}
