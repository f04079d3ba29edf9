#!/bin/sh
# A short cut-out on the bundled sample picture, on a machine without a display:
# builds Tessary, starts a private Xvfb, opens assets/sample.jpg in the working
# folder demo/ (with the panel logo), clicks an object, extends the stroke with Ctrl,
# deletes the selection, saves, takes a screenshot and closes the window.
# With --readme-screenshot it also writes the shot with the selection's outline to
# assets/screenshot.png, the README's first picture (in 256 colours, to keep it small).
# Needs what `scripts/install-deps.sh --test` installs (Xvfb, xdotool, ImageMagick).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build"
demo="$here/demo"
readme_shot=""
case "${1:-}" in
  --readme-screenshot) readme_shot="$here/assets/screenshot.png" ;;
  "") ;;
  *) echo "usage: sh scripts/demo.sh [--readme-screenshot]" >&2; exit 2 ;;
esac

"$here/scripts/build.sh" "$build" -DTESSARY_TESTS=OFF -DTESSARY_BENCH=OFF

# Sends WM_DELETE_WINDOW, as a window manager's close box does; there is no window
# manager here to do it.
closer="$build/demo-close-window"
if [ ! -x "$closer" ]; then
  cat >"$build/demo-close-window.c" <<'EOF'
#include <X11/Xlib.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  Window w = strtoul(argv[1], NULL, 0);
  XEvent e = {0};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XCloseDisplay(d);
  return 0;
}
EOF
  cc -O2 -o "$closer" "$build/demo-close-window.c" -lX11
fi

# A free display.
display=""
xvfb_pid=""
tessary_pid=""
cleanup() {
  [ -n "$tessary_pid" ] && kill "$tessary_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM
for n in 91 92 93 94 95 96 97 98 99 100 101 102 103 104 105; do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb_pid=$!
  tries=0
  while [ $tries -lt 100 ]; do
    if xdpyinfo -display ":$n" >/dev/null 2>&1; then display=":$n"; break; fi
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
    tries=$((tries + 1))
  done
  [ -n "$display" ] && break
  kill "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$display" ] || { echo "demo: no Xvfb could be started" >&2; exit 1; }
export DISPLAY="$display"

rm -rf "$demo"
mkdir -p "$demo"
cp "$here/assets/sample.jpg" "$here/assets/CORVALIS.jpg" "$demo/"

# Where the picture lands: scaled down to fit 1024 x 768, centred vertically.
set -- $(identify -format '%w %h' "$demo/sample.jpg[0]")
w=$1 h=$2
if [ "$w" -gt 1024 ] || [ "$h" -gt 768 ]; then
  if [ $((w * 768)) -gt $((h * 1024)) ]; then h=$((h * 1024 / w)); w=1024; else w=$((w * 768 / h)); h=768; fi
fi
top=$(((768 - h) / 2))

cd "$demo"
"$build/Tessary.exe" sample.jpg </dev/null >"$demo/tessary.log" 2>&1 &
tessary_pid=$!

window=""
tries=0
while [ -z "$window" ] && [ $tries -lt 100 ]; do
  window=$(xdotool search --onlyvisible --pid "$tessary_pid" 2>/dev/null | head -n 1 || true)
  kill -0 "$tessary_pid" 2>/dev/null || { echo "demo: Tessary ended early:" >&2; cat "$demo/tessary.log" >&2; exit 1; }
  [ -n "$window" ] || sleep 0.2
  tries=$((tries + 1))
done
[ -n "$window" ] || { echo "demo: the Tessary window did not appear" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
ox=$X oy=$Y
xdotool windowfocus --sync "$window" 2>/dev/null || true
# On a busy machine the window can be up a while before the picture is drawn in it.
tries=0
while [ "$(import -window root -crop "$((w + 200))x768+$ox+$oy" +repage png:- | identify -format '%k' -)" -lt 16 ] &&
  [ $tries -lt 50 ]; do
  sleep 0.2
  tries=$((tries + 1))
done
sleep 1

# Moves to picture coordinates given as per-mille of its width and height.
at_picture() { xdotool mousemove --sync $((ox + w * $1 / 1000)) $((oy + top + h * $2 / 1000)); }
at_panel() { xdotool mousemove --sync $((ox + w + $1)) $((oy + $2)); }

# The sample picture's red ball sits at about 80 % across and 82 % down.
echo "demo: a click on the red ball"
at_picture 790 810
xdotool click 1
sleep 1.5
echo "demo: a Ctrl stroke over more of it"
xdotool keydown ctrl
for p in "770 780" "830 840" "800 860" "840 790"; do
  set -- $p
  at_picture "$1" "$2"
  xdotool click 1
  sleep 1
done
xdotool keyup ctrl
sleep 0.5
import -window root -crop "$((w + 200))x768+$ox+$oy" +repage "$demo/screenshot-outline.png"
if [ -n "$readme_shot" ]; then
  convert "$demo/screenshot-outline.png" -strip +dither -colors 256 "PNG8:$readme_shot"
fi
echo "demo: delete the selection"
at_panel 150 565
xdotool click 1
sleep 1.5
echo "demo: save"
at_panel 150 715
xdotool click 1
box=""
tries=0
while [ -z "$box" ] && [ $tries -lt 50 ]; do
  sleep 0.2
  # The box is a top-level window of its own; without a window manager every
  # top-level window is a child of the root.
  for id in $(xwininfo -root -children | awk -v main="$(printf '0x%x' "$window")" '$1 ~ /^0x/ && $1 != main { print $1 }'); do
    if xwininfo -id "$id" | grep -q IsViewable; then box=$id; break; fi
  done
  tries=$((tries + 1))
done
if [ -n "$box" ]; then
  sleep 0.5
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
  sleep 1
else
  echo "demo: no message box appeared after saving" >&2
fi
at_panel 190 10
sleep 1
import -window root -crop "$((w + 200))x768+$ox+$oy" +repage "$demo/screenshot.png"

echo "demo: closing Tessary"
"$closer" "$window"
tries=0
while kill -0 "$tessary_pid" 2>/dev/null && [ $tries -lt 50 ]; do sleep 0.2; tries=$((tries + 1)); done
if kill -0 "$tessary_pid" 2>/dev/null; then
  echo "demo: Tessary did not end after its window was closed" >&2
else
  wait "$tessary_pid" || true
fi
tessary_pid=""

echo
[ -f "$demo/sample_0.bmp" ] && echo "Saved result: $demo/sample_0.bmp" || echo "demo: no saved result in $demo" >&2
echo "Outline:      $demo/screenshot-outline.png"
echo "Screenshot:   $demo/screenshot.png"
[ -z "$readme_shot" ] || echo "README's:     $readme_shot"
