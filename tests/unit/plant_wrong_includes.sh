#!/usr/bin/env bash
# The include check must refuse each planted include, naming its file and line.
set -u
src=${1:?usage: plant_wrong_includes.sh SRC_DIR}
check="$(dirname "$0")/check_includes.py"
status=0
# file to plant in | the include planted
while IFS='|' read -r file include; do
  tmp=$(mktemp -d)
  cp -r "$src" "$tmp/src"
  echo "#include $include" >>"$tmp/src/$file"
  line=$(wc -l <"$tmp/src/$file")
  if out=$(python3 "$check" "$tmp/src"); then
    echo "FAIL: $include in $file passed the check"
    status=1
  elif ! grep -q "^$file:$line: " <<<"$out"; then
    echo "FAIL: $include in $file was refused without naming $file:$line:"
    echo "$out"
    status=1
  else
    echo "refused: $(grep "^$file:$line: " <<<"$out")"
  fi
  rm -rf "$tmp"
done <<'PLANTS'
framework/wnd.h|"ui/velumix_dlg_win.h"
core/window_engine.cpp|"settings/hot_keys.h"
app/log/event_log.cpp|"app/startup/product.h"
core/window_engine.h|<windows.h>
lock/lock_state.h|"framework/handles.h"
PLANTS
exit $status
