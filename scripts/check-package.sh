#!/bin/sh
# Checks the Debian package as a user meets it, in a fresh minimal Debian 12 root
# (debootstrap, kept in build-check/base and copied for every run): installs
# dist/tessary_*.deb with apt-get, validates the desktop file, reads the man page,
# then, as an ordinary user under Xvfb, runs `tessary picture.jpg`, checks that the
# window shows the panel logo from ~/Pictures/Tessary and that a save lands there as
# a BMP and a PNG. Run as root after scripts/package.sh; it needs the network to the
# Debian mirror, takes some minutes and is not part of CI.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
check="$here/build-check"
deb=$(ls "$here"/dist/tessary_*_amd64.deb 2>/dev/null | tail -n 1)
[ -n "$deb" ] || { echo "check-package: no dist/tessary_*_amd64.deb; run scripts/package.sh first" >&2; exit 1; }

# The Debian mirror that apt uses here.
mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
  mirror=$(awk '$1 == "deb" && $2 ~ /\/debian\/?$/ { print $2; exit }' /etc/apt/sources.list)
fi
mirror=${mirror:-http://deb.debian.org/debian}

mkdir -p "$check"
if [ ! -d "$check/base" ]; then
  echo "check-package: debootstrap bookworm from $mirror"
  rm -rf "$check/base.tmp"
  debootstrap --variant=minbase bookworm "$check/base.tmp" "$mirror" >"$check/debootstrap.log" 2>&1 ||
    { tail -n 20 "$check/debootstrap.log" >&2; exit 1; }
  mv "$check/base.tmp" "$check/base"
fi
root="$check/root"
rm -rf "$root"
cp -a "$check/base" "$root"
cp /etc/resolv.conf "$root/etc/resolv.conf"
for suite in bookworm bookworm-updates; do echo "deb $mirror $suite main"; done >"$root/etc/apt/sources.list"
security=$(sed -n 's/^URIs: *\([^ ]*debian-security\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
[ -n "$security" ] && echo "deb $security bookworm-security main" >>"$root/etc/apt/sources.list"
cp "$deb" "$root/tmp/"
package=$(basename "$deb")

cat >"$root/tmp/check-as-root.sh" <<EOF
set -eu
export DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8
cd /tmp
apt-get update -q >/tmp/apt.log 2>&1 || { tail -n 20 /tmp/apt.log; exit 1; }
echo "check-package: apt-get install ./$package"
apt-get install -y -q ./$package >>/tmp/apt.log 2>&1 || { tail -n 30 /tmp/apt.log; exit 1; }
dpkg -s tessary | sed -n 's/^Depends: /check-package: depends on /p'
for f in /usr/lib/tessary/Tessary.exe /usr/bin/tessary /usr/share/applications/tessary.desktop \\
    /usr/share/icons/hicolor/48x48/apps/tessary.png /usr/share/icons/hicolor/128x128/apps/tessary.png \\
    /usr/share/icons/hicolor/256x256/apps/tessary.png /usr/share/icons/hicolor/scalable/apps/tessary.svg \\
    /usr/share/man/man1/tessary.1 /usr/share/tessary/CORVALIS.jpg /usr/share/tessary/sample.jpg; do
  [ -e "\$f" ] || { echo "check-package: FAIL: \$f missing"; exit 1; }
done
# What the check itself needs, after the package was installed on the bare system.
apt-get install -y -q --no-install-recommends xvfb xauth xfonts-base xdotool x11-utils imagemagick \\
  man-db desktop-file-utils >>/tmp/apt.log 2>&1 || { tail -n 30 /tmp/apt.log; exit 1; }
desktop-file-validate /usr/share/applications/tessary.desktop
echo "check-package: desktop-file-validate passed"
man -P cat tessary 2>/dev/null | grep -q "tessary - cut objects out of a picture" ||
  { echo "check-package: FAIL: man tessary"; exit 1; }
echo "check-package: man tessary shows the page"
useradd -m -s /bin/sh alice
cp /usr/share/tessary/sample.jpg /home/alice/picture.jpg
chown alice: /home/alice/picture.jpg
su -s /bin/sh alice -c 'sh /tmp/check-as-user.sh'
EOF

cat >"$root/tmp/check-as-user.sh" <<'EOF'
set -eu
cd "$HOME"
# Only the socket file in this root: the machine's abstract X sockets are shared
# with every other display on it.
Xvfb :7 -screen 0 1600x1000x24 -nolisten tcp -nolisten local >/tmp/xvfb.log 2>&1 &
xvfb=$!
export DISPLAY=:7
tries=0
until xdpyinfo >/dev/null 2>&1; do
  tries=$((tries + 1)); [ $tries -lt 100 ] || { echo "check-package: FAIL: no Xvfb"; exit 1; }; sleep 0.1
done
tessary picture.jpg </dev/null >/tmp/tessary.log 2>&1 &
app=$!  # the launcher becomes the program (exec)
window=""
tries=0
while [ -z "$window" ] && [ $tries -lt 100 ]; do
  kill -0 $app 2>/dev/null || { echo "check-package: FAIL: tessary ended:"; cat /tmp/tessary.log; exit 1; }
  window=$(xdotool search --onlyvisible --pid "$app" 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] || sleep 0.2
  tries=$((tries + 1))
done
[ -n "$window" ] || { echo "check-package: FAIL: no window"; exit 1; }
work="$HOME/Pictures/Tessary"
[ "$(readlink /proc/$app/exe)" = /usr/lib/tessary/Tessary.exe ] && [ "$(readlink /proc/$app/cwd)" = "$work" ] ||
  { echo "check-package: FAIL: Tessary does not run in $work"; exit 1; }
[ -f "$work/CORVALIS.jpg" ] || { echo "check-package: FAIL: no logo in $work"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "check-package: window ${WIDTH}x$HEIGHT at $X,$Y"
[ "$WIDTH" = 1000 ] && [ "$HEIGHT" = 768 ] || { echo "check-package: FAIL: window size"; exit 1; }
sleep 2
import -window root -crop "${WIDTH}x$HEIGHT+$X+$Y" +repage /tmp/shot.png
# The picture at the left, centred; the logo at the panel's top. Set against the
# wrong picture, the same measure must see the difference.
rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/^[0-9.e+-]* (\([0-9.e+-]*\))$/\1/p'; }
picture=$(rmse "/tmp/shot.png[800x600+0+84]" /usr/share/tessary/sample.jpg)
logo=$(rmse "/tmp/shot.png[186x80+807+15]" /usr/share/tessary/CORVALIS.jpg)
control=$(rmse "/tmp/shot.png[186x80+0+84]" /usr/share/tessary/CORVALIS.jpg)
echo "check-package: RMSE of the screen against the picture $picture, the logo $logo (elsewhere: $control)"
awk -v p="$picture" -v l="$logo" -v c="$control" \
  'BEGIN { exit !(p != "" && l != "" && c != "" && p + 0 < 0.03 && l + 0 < 0.03 && c + 0 > 0.1) }' ||
  { echo "check-package: FAIL: the window does not show the picture and the logo"; exit 1; }

# Save: the panel's last row, then OK in the message box.
xdotool mousemove --sync $((X + 950)) $((Y + 715)) click 1
box=""
tries=0
while [ -z "$box" ] && [ $tries -lt 50 ]; do
  sleep 0.2
  for id in $(xwininfo -root -children | awk -v main="$(printf '0x%x' "$window")" '$1 ~ /^0x/ && $1 != main { print $1 }'); do
    if xwininfo -id "$id" | grep -q IsViewable; then box=$id; break; fi
  done
  tries=$((tries + 1))
done
if [ -n "$box" ]; then
  sleep 0.5
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
fi
tries=0
until [ -f "$work/picture_0.bmp" ] && [ -f "$work/picture_0.png" ]; do
  tries=$((tries + 1)); [ $tries -lt 50 ] || { echo "check-package: FAIL: no save in $work"; ls -la "$work"; exit 1; }; sleep 0.2
done
echo "check-package: saved $(cd "$work" && echo picture_0.*) in $work"
identify "$work/picture_0.bmp" "$work/picture_0.png"
kill $app $xvfb 2>/dev/null || true
echo "check-package: PASS"
EOF

# Its own PID namespace keeps the program's one-instance check to this root; the
# lock keeps the machine's other Tessary tests from seeing it run.
flock /tmp/tessary-e2e.lock unshare --pid --fork --kill-child --mount sh -c '
  set -e
  root=$1
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  chroot "$root" /bin/sh /tmp/check-as-root.sh
' check "$root"
rm -rf "$root"
