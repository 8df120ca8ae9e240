#!/bin/sh
# Checks what the shipped plug-in imports, since every import is asked of the
# editor's process (one that an older Windows lacks, and the editor cannot
# load the plug-in at all):
#   check_imports.sh pe  <objdump> <plug-in> <expected list>
#   check_imports.sh elf <nm> <plug-in>
# PE: exactly the "DLL function" lines of the expected list ("#" starts a
# comment), from KERNEL32.dll and msvcrt.dll only. ELF: no setlocale, which
# would change the locale of the whole host process.
set -u
kind=$1 tool=$2 plugin=$3
status=0
fail() { echo "FAIL: $*"; status=1; }

if [ "$kind" = elf ]; then
  "$tool" -D --undefined-only "$plugin" | awk '{print $2}' | grep -qx 'setlocale' &&
    fail "the plug-in imports setlocale"
else
  expected=$4
  # The import tables of objdump -p: "DLL Name: X", then a line per function
  # with its hint.
  actual=$("$tool" -p "$plugin" |
    awk '/DLL Name:/ {dll = $3; next} dll && /^\t[0-9a-f]+\t +[0-9]+ / {print dll, $3}' | sort -u)
  pinned=$(grep -v '^#' "$expected" | grep -v '^[[:space:]]*$' | sort -u)
  dlls=$(echo "$actual" | cut -d' ' -f1 | sort -u | tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || fail "the plug-in imports from: $dlls"
  added=$(printf '%s\n' "$actual" | grep -vxF "$pinned")
  removed=$(printf '%s\n' "$pinned" | grep -vxF "$actual")
  [ -z "$added" ] || fail "imports not in $(basename "$expected"):
$added"
  [ -z "$removed" ] || fail "pinned imports no longer there:
$removed"
fi
[ $status -eq 0 ] && echo "imports as expected"
exit $status
