#!/bin/sh
# Makes the Wine prefix $1 for running the Windows build here, unless it is already
# there: a 64-bit prefix (which runs 32-bit programs too) whose font replacements
# give the Chinese faces and the message box's Tahoma real glyphs. Callers that start
# at the same time wait for the first one to finish.
set -eu
prefix=$(realpath -m "$1")
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$prefix/.tessary-ready" ] && exit 0
rm -rf "$prefix"
export WINEPREFIX="$prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine opens no window while it makes the prefix when no display is named.
unset DISPLAY
wineboot -i >/dev/null 2>&1
reg="$prefix/fonts.reg"
{
  printf '\357\273\277Windows Registry Editor Version 5.00\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
  printf '"SimSun"="WenQuanYi Zen Hei Sharp"\r\n'
  printf '"NSimSun"="WenQuanYi Zen Hei Sharp"\r\n'
  printf '"\345\256\213\344\275\223"="WenQuanYi Zen Hei Sharp"\r\n'
  printf '"Microsoft YaHei"="WenQuanYi Micro Hei"\r\n'
  printf '"\345\276\256\350\275\257\351\233\205\351\273\221"="WenQuanYi Micro Hei"\r\n'
  printf '"Tahoma"="WenQuanYi Micro Hei"\r\n'
} | iconv -f UTF-8 -t UTF-16LE >"$reg"
wine regedit /S "$(WINEPREFIX="$prefix" winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
wineserver -w
touch "$prefix/.tessary-ready"
