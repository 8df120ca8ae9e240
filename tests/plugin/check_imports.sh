#!/bin/sh
# Checks what the shipped plug-in imports, since every import is asked of the
# editor's process (one that an older Windows lacks, and the editor cannot
# load the plug-in at all):
#   check_imports.sh pe  <objdump> <plug-in> [expected list]
#   check_imports.sh elf <nm> <plug-in>
# Never a function that changes what the host owns: its C runtime's locale,
# environment copy, floating-point control or current directory, or the
# process's error mode. PE: besides, only KERNEL32.dll and msvcrt.dll, and
# with a list exactly the "DLL function" lines of the list ("#" starts a
# comment).
set -u
kind=$1 tool=$2 plugin=$3 expected=${4:-}
status=0
fail() { echo "FAIL: $*"; status=1; }

host_owned="setlocale _wsetlocale localeconv _setmbcp putenv _putenv _wputenv
_control87 _controlfp _fpreset _chdir SetCurrentDirectoryA SetCurrentDirectoryW SetErrorMode"

if [ "$kind" = elf ]; then
  actual=$("$tool" -D --undefined-only "$plugin" | awk '{print $2}' | sed 's/@.*//' | sort -u)
else
  # The import tables of objdump -p: "DLL Name: X", then a line per function
  # with its hint.
  tables=$("$tool" -p "$plugin" |
    awk '/DLL Name:/ {dll = $3; next} dll && /^\t[0-9a-f]+\t +[0-9]+ / {print dll, $3}' | sort -u)
  dlls=$(echo "$tables" | cut -d' ' -f1 | sort -u | tr '\n' ' ')
  [ "$dlls" = "KERNEL32.dll msvcrt.dll " ] || fail "the plug-in imports from: $dlls"
  actual=$(echo "$tables" | cut -d' ' -f2)
  if [ -n "$expected" ]; then
    pinned=$(grep -v '^#' "$expected" | grep -v '^[[:space:]]*$' | sort -u)
    added=$(printf '%s\n' "$tables" | grep -vxF "$pinned")
    removed=$(printf '%s\n' "$pinned" | grep -vxF "$tables")
    [ -z "$added" ] || fail "imports not in $(basename "$expected"):
$added"
    [ -z "$removed" ] || fail "pinned imports no longer there:
$removed"
  fi
fi
for name in $host_owned; do
  printf '%s\n' "$actual" | grep -qx "$name" && fail "the plug-in imports $name"
done
[ $status -eq 0 ] && echo "imports as expected"
exit $status
