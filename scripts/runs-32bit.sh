#!/usr/bin/env bash
# Says whether this kernel runs 32-bit x86 code, by running a tiny 32-bit
# program: some kernels of the same kind refuse it (Exec format error) while
# others run it natively, so it is detected, never assumed.
#   scripts/runs-32bit.sh        exit 0 if it runs; otherwise exit 1 and say why on stdout
set -uo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'int main(void) { return sizeof(void*) == 4 ? 0 : 3; }\n' >"$dir/probe.c"
if ! gcc -m32 -o "$dir/probe" "$dir/probe.c" 2>"$dir/err"; then
  echo "no 32-bit compiler (gcc -m32: $(head -c 200 "$dir/err" | tr '\n' ' '))"
  exit 1
fi
# qemu registered through binfmt_misc would make the probe run too; that is
# not the kernel running it, and Wine does not work that way
if grep -qs '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
  echo "32-bit code runs only through qemu-i386 (binfmt_misc), which Wine does not run under"
  exit 1
fi
if out=$("$dir/probe" 2>&1); then
  exit 0
fi
echo "this kernel runs no 32-bit code (${out##*: })"
exit 1
