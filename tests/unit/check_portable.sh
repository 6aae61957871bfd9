#!/usr/bin/env bash
# Fails when a portable source (outside framework/, not named *_win.*)
# includes windows.h, another platform header, or a Win32-side header.
set -u
src=${1:?usage: check_portable.sh SRC_DIR}
status=0
while IFS= read -r file; do
  while IFS= read -r line; do
    echo "$file: $line"
    status=1
  done < <(grep -n -E '#include *[<"]((windows|windowsx|commctrl|shellapi|winuser|wingdi|winreg)\.h|[^">]*_win\.h|framework/[^">]*)[">]' "$file")
done < <(find "$src" -name '*.h' -o -name '*.cpp' | grep -v -E '(^|/)framework/|_win\.(h|cpp)$' | sort)
[ $status -eq 0 ] && echo "portable sources include no platform headers"
exit $status
