#!/bin/sh
# Checks what the shipped libraries export:
#   check_exports.sh elf  <nm> <plug-in> <engine>
#   check_exports.sh pe   <objdump> <plug-in> <engine>
# The plug-in exports init_ocr and nothing else. The engine exports its API by
# name, except set_engine_value and set_engine_switch, which the Windows
# engine exports by ordinals 2 and 14 only.
set -u
kind=$1 tool=$2 plugin=$3 engine=$4
status=0
fail() { echo "FAIL: $*"; status=1; }

engine_names="do_ocr do_zones drs7_free_coords drs7_init drs7_prep_coords drs7_read_coordinates
drs7_read_one drs7_upset drs_add_language set_drs_language"

if [ "$kind" = elf ]; then
  names=$("$tool" -D --defined-only "$plugin" | awk '$2 ~ /^[TtWwDdBbRrVvi]$/ {print $3}' | sort)
  [ "$names" = "init_ocr" ] || fail "the plug-in exports: $names"
  names=$("$tool" -D --defined-only "$engine" | awk '{print $3}' | sort | tr '\n' ' ')
  for n in $engine_names set_engine_switch set_engine_value; do
    case " $names " in *" $n "*) ;; *) fail "the engine does not export $n" ;; esac
  done
else
  # The name table of a PE export directory: lines "[ n] name".
  exported_names() {
    "$tool" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
      sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort
  }
  names=$(exported_names "$plugin")
  [ "$names" = "init_ocr" ] || fail "the plug-in exports: $names"
  names=$(exported_names "$engine" | tr '\n' ' ')
  for n in $engine_names; do
    case " $names " in *" $n "*) ;; *) fail "the engine does not export $n by name" ;; esac
  done
  for n in set_engine_value set_engine_switch; do
    case " $names " in *" $n "*) fail "the engine exports $n by name" ;; esac
  done
  table=$("$tool" -p "$engine" | sed -n '/Export Address Table/,/^$/p')
  for ordinal in 2 14; do
    echo "$table" | grep -q "+base\[ *$ordinal\]" || fail "the engine has no export ordinal $ordinal"
  done
fi
[ $status -eq 0 ] && echo "exports as expected"
exit $status
