#!/usr/bin/env bash
# A callback cast to a function pointer of another calling convention
# corrupts the stack on 32-bit Windows and passes unnoticed on 64-bit, where
# there is one convention. GCC's -Wcast-function-type does not look at the
# convention; clang's -Wcast-calling-convention does, for the i686 target:
# every Win32 source is read by it (syntax only), and a planted cast must be
# refused.
set -u
root=${1:?usage: check_calling_conventions.sh REPO_DIR}
cxx=/usr/lib/gcc/i686-w64-mingw32/12-win32/include/c++
check() {
  clang++ --target=i686-w64-mingw32 -std=c++20 -fsyntax-only -nostdinc++ -isystem "$cxx" \
    -isystem "$cxx/i686-w64-mingw32" -I"$root/src" -I"$root/res" -Wno-everything -Werror=cast-calling-convention "$@"
}
export -f check
export root cxx

planted=$(mktemp --suffix=.cpp)
trap 'rm -f "$planted"' EXIT
cat >"$planted" <<'CPP'
#include <windows.h>
LRESULT NotACallback(HWND, UINT, WPARAM, LPARAM) { return 0; }
WNDPROC Planted() { return reinterpret_cast<WNDPROC>(&NotACallback); }
CPP
if check "$planted" 2>/dev/null; then
  echo "FAIL: a cdecl function cast to WNDPROC passed the check"
  exit 1
fi

status=0
files=$(cd "$root" && find src tests/crash tests/e2e/tools -name '*_win.cpp' -o -path 'src/framework/*.cpp' -o \
  -path 'tests/crash/*.cpp' -o -path 'tests/e2e/tools/*.cpp' | sort)
printf '%s\n' $files | xargs -P 2 -I{} bash -c 'check "$root/{}" || { echo "in {}"; exit 1; }' || status=1
[ $status -eq 0 ] && echo "$(wc -w <<<"$files") Win32 sources cast no callback to another calling convention"
exit $status
