# Sourced by the scripts in tools/.

# Orv comes in two editions built from the same code: build/win32/orv.exe
# (32-bit, ".spi" plug-ins) and build/win64/orv64.exe (64-bit, ".sph").
# Some kernels (paravirtualised ones among them) cannot start 32-bit processes,
# so 32-bit Wine cannot run there; the Windows tests then run on the 64-bit
# build under wine64.
orv_can_run_32bit() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# The build folder whose Windows tests run on this machine, and its Wine loader.
# ORV_TEST_ARCH=win64 runs them on the 64-bit build even where 32-bit code runs,
# to check before landing that both widths pass.
orv_test_arch() {
  if [ -n "${ORV_TEST_ARCH:-}" ]; then
    echo "$ORV_TEST_ARCH"
  elif orv_can_run_32bit; then echo win32; else echo win64; fi
}

# The other edition than the one whose whole suite runs, and whether this
# machine can run it. Its tests are those of the code whose width differs,
# the plug-in interface and the fault guard, and the 64-bit edition's helper
# for 32-bit plug-ins (ORV_OTHER_WIDTH_TESTS, the test programs to build and
# run there; a program the build of that width does not make is left out),
# so both widths of it are exercised.
orv_other_arch() {
  if [ "$1" = win32 ]; then echo win64; else echo win32; fi
}
orv_can_run_arch() {
  [ "$1" = win64 ] || orv_can_run_32bit
}
ORV_OTHER_WIDTH_TESTS="plugin_host_tests plugin_bridge_tests"

# The program file of a build folder.
orv_program() {
  case "$1" in
    win32) echo orv.exe ;;
    win64) echo orv64.exe ;;
  esac
}

orv_wine_loader() {
  case "$1" in
    win32) command -v wine ;;
    win64) if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else command -v wine64 || command -v wine; fi ;;
  esac
}
