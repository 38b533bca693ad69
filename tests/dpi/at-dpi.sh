#!/bin/sh
# Runs a test program with the display scaling of the Wine prefix set to DPI dots per inch
# (HKCU\Control Panel\Desktop LogPixels, read by every program when it starts) and puts the
# prefix's own value back afterwards, however the program ends. The test holds the desktop
# lock, so no other window test runs meanwhile; windowless tests do not look at the value.
#
# Usage: at-dpi.sh DPI WINE PROGRAM [ARGUMENTS...]
set -u
dpi=$1 wine=$2
shift 2
key='HKCU\Control Panel\Desktop'
old=$("$wine" reg query "$key" /v LogPixels 2>/dev/null | tr -d '\r' |
      awk '$1 == "LogPixels" { print $3 }')
restore() {
  if [ -n "$old" ]; then
    "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$(printf '%d' "$old")" /f >/dev/null 2>&1
  else
    "$wine" reg delete "$key" /v LogPixels /f >/dev/null 2>&1
  fi
}
trap restore EXIT
trap 'exit 130' INT TERM
"$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 || exit 1
VARDUNE_TEST_DPI=$dpi "$wine" "$@"
