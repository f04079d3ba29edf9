#!/bin/sh
# Checks the README's run and test commands as a new user meets them: in a fresh
# minimal Debian 12 root (debootstrap, kept in build-fresh/base and copied for every
# root) with this machine's apt sources, the security suite included, entered with
# chroot, with the repository as committed (and its uncommitted changes to tracked
# files) in /tessary.
#
#   run        the README's run command, with only the first set of packages
#              installed; under an Xvfb of this machine the window must show the
#              sample picture
#   test       then, in the same root, the README's test command, which must pass
#   no-wine32  in a fresh root where wine32 cannot be installed (apt pins it to -1),
#              the README's test command must still pass, and its log must show the
#              32-bit comparison under Wine as skipped, with the reason
#
# Each set of packages is timed and its download and installed size noted; the
# summary lands in build-fresh/summary.txt, the logs beside it. Run as root from this
# folder: sh scripts/check-fresh-machine.sh [run] [test] [no-wine32] (all three by
# default). It needs the network to the Debian mirror, takes an hour or more on two
# cores and is not part of CI.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
out="$here/build-fresh"
steps=${*:-run test no-wine32}
mkdir -p "$out"
summary="$out/summary.txt"

say() { echo "check-fresh-machine: $*" | tee -a "$summary"; }
fail() { say "FAIL: $*"; exit 1; }

# The README's command under a heading: the first indented line after it.
readme_command() {
  awk -v heading="## $1" '$0 == heading { inside = 1; next } /^## / { inside = 0 }
    inside && /^    [^ ]/ { sub(/^    /, ""); print; exit }' "$here/README.md"
}
run_command=$(readme_command "Run it")
test_command=$(readme_command "Test it")
[ -n "$run_command" ] && [ -n "$test_command" ] || fail "no run or test command found in README.md"

if [ ! -d "$out/base" ]; then
  mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  mirror=${mirror:-http://deb.debian.org/debian}
  echo "check-fresh-machine: debootstrap bookworm from $mirror"
  rm -rf "$out/base.tmp"
  debootstrap --variant=minbase bookworm "$out/base.tmp" "$mirror" >"$out/debootstrap.log" 2>&1 ||
    { tail -n 20 "$out/debootstrap.log" >&2; exit 1; }
  mv "$out/base.tmp" "$out/base"
fi

# The tree as it stands, as a fresh clone would have it.
snapshot=$(git -C "$here" stash create)
snapshot=${snapshot:-HEAD}

# A fresh root: the base, this machine's apt sources and name server, the repository.
fresh_root() {
  root=$1
  rm -rf "$root"
  cp -a "$out/base" "$root"
  rm -f "$root/etc/apt/sources.list"
  cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/"
  cp /etc/resolv.conf "$root/etc/resolv.conf"
  mkdir "$root/tessary"
  git -C "$here" archive "$snapshot" | tar -x -C "$root/tessary"
}

# Runs a shell command in the root as its root user with a fresh login's environment,
# in a PID and mount namespace of its own (so it ends whole, and its mounts stay
# there): its own /proc, and the machine's /dev and /sys. In the root, / is no mount
# point, as in any chroot. With in_root_exec set, the shell becomes the namespace's
# keeper, whose end ends everything in it.
in_root() {
  root=$1
  shift
  ${in_root_exec:+exec} unshare --pid --fork --kill-child --mount --propagation private sh -c '
    set -e
    root=$1
    shift
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --rbind /sys "$root/sys"
    exec chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
  ' in-root "$root" "$@"
}

# The installed size of every package in the root, in kB.
installed_kb() {
  in_root "$1" dpkg-query -W -f '${Installed-Size}\n' | awk '{ s += $1 } END { print s + 0 }'
}

# Installs a set with scripts/install-deps.sh and notes its time and sizes.
install_set() {
  root=$1 name=$2 log=$3
  shift 3
  before=$(installed_kb "$root")
  packages_before=$(in_root "$root" dpkg-query -W -f '${Package}\n' | wc -l)
  start=$(date +%s)
  in_root "$root" sh -c "cd /tessary && sh scripts/install-deps.sh $*" >"$log" 2>&1 ||
    { tail -n 30 "$log"; fail "install-deps.sh $* failed (log: $log)"; }
  seconds=$(($(date +%s) - start))
  after=$(installed_kb "$root")
  packages_after=$(in_root "$root" dpkg-query -W -f '${Package}\n' | wc -l)
  # apt's "Need to get 12.3 MB of archives."
  download=$(awk '/^Need to get / { n = $4; u = $5; sub(/\/.*/, "", n); gsub(/,/, "", n)
      s += n * (u == "kB" ? 0.001 : u == "GB" ? 1000 : u == "B" ? 0.000001 : 1) } END { printf "%.0f", s }' "$log")
  say "$name: $((packages_after - packages_before)) packages, $download MB downloaded," \
    "$(((after - before) / 1024)) MB installed, $seconds s"
}

shot_matches_sample() {
  shot=$1 x=$2 y=$3
  rmse() { compare -metric RMSE "$1" "$2" null: 2>&1 | sed -n 's/^[0-9.e+-]* (\([0-9.e+-]*\))$/\1/p'; }
  # The sample picture fills the picture area's 800 x 600 at the left, centred in its
  # 768 rows; set against a part of the panel, the same measure must see the difference.
  picture=$(rmse "${shot}[800x600+$x+$((y + 84))]" "$here/assets/sample.jpg")
  control=$(rmse "${shot}[800x600+$((x + 200))+$((y + 84))]" "$here/assets/sample.jpg")
  say "run: RMSE of the window against the sample picture $picture (shifted by 200 pixels: $control)"
  awk -v p="$picture" -v c="$control" 'BEGIN { exit !(p != "" && c != "" && p + 0 < 0.03 && c + 0 > 0.1) }'
}

step_run() {
  root="$out/root"
  fresh_root "$root"
  say "run: $run_command"
  install_set "$root" "first set (sh scripts/install-deps.sh)" "$out/install-first.log"
  in_root "$root" dpkg-query -W -f '${Package}\n' >"$out/packages-first.txt"
  for p in xvfb xdotool imagemagick wine64 g++-mingw-w64-x86-64-posix clang-14 libgtest-dev; do
    if grep -qx "$p" "$out/packages-first.txt"; then fail "the first set installed $p, which only testing needs"; fi
  done

  # An Xvfb of this machine; the root reaches it through its abstract socket.
  exec 8>"$out/xvfb.display"
  Xvfb -displayfd 8 -screen 0 1600x1000x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
  xvfb=$!
  exec 8>&-
  tries=0
  until [ -s "$out/xvfb.display" ]; do
    tries=$((tries + 1))
    [ $tries -lt 100 ] && kill -0 $xvfb 2>/dev/null || fail "no Xvfb"
    sleep 0.1
  done
  display=:$(cat "$out/xvfb.display")
  start=$(date +%s)
  (in_root_exec=1; in_root "$root" sh -c "cd /tessary && export DISPLAY=$display && $run_command") </dev/null >"$out/run.log" 2>&1 &
  app=$!
  window=""
  until [ -n "$window" ]; do
    kill -0 $app 2>/dev/null || { kill $xvfb; tail -n 30 "$out/run.log"; fail "the run command ended"; }
    [ $(($(date +%s) - start)) -lt 1800 ] || { kill $app $xvfb; fail "no window within 30 minutes"; }
    sleep 2
    for id in $(xwininfo -display "$display" -root -children | awk '$1 ~ /^0x/ { print $1 }'); do
      xwininfo -display "$display" -id "$id" | grep -q IsViewable && window=$id
    done
  done
  sleep 3
  say "run: the window came up $(($(date +%s) - start)) s after the run command started (building included)"
  eval "$(xwininfo -display "$display" -id "$window" |
    awk '/Absolute upper-left X/ { print "x=" $4 } /Absolute upper-left Y/ { print "y=" $4 }
         /Width:/ { print "w=" $2 } /Height:/ { print "h=" $2 }')"
  import -display "$display" -window root "$out/run-window.png"
  kill $app $xvfb 2>/dev/null || true
  wait $app 2>/dev/null || true
  say "run: window ${w}x$h at $x,$y"
  [ "$w" = 1000 ] && [ "$h" = 768 ] || fail "the window is not 1000 x 768"
  shot_matches_sample "$out/run-window.png" "$x" "$y" || fail "the window does not show the sample picture"
  # The README's package build needs nothing beyond the first set either.
  in_root "$root" sh -c 'cd /tessary && sh scripts/package.sh' >"$out/package.log" 2>&1 ||
    { tail -n 30 "$out/package.log"; fail "scripts/package.sh failed with the first set alone"; }
  say "run: scripts/package.sh made $(tail -n 1 "$out/package.log") with the first set alone"
  say "run: PASS"
}

# The README's test command in `root`; it must pass, and the 32-bit comparison under
# Wine must be skipped with its reason when wine32 is missing there.
run_test_command() {
  root=$1 name=$2 log=$3
  say "$name: $test_command"
  start=$(date +%s)
  if ! in_root "$root" sh -c "cd /tessary && $test_command" </dev/null >"$log" 2>&1; then
    tail -n 40 "$log"
    fail "$name: the test command failed after $(($(date +%s) - start)) s (log: $log)"
  fi
  say "$name: the test command passed in $(($(date +%s) - start)) s"
  grep -E '^[0-9]+% tests passed' "$log" | while read -r line; do say "$name: $line"; done
  if in_root "$root" dpkg-query -W -f '${db:Status-Status}' wine32:i386 2>/dev/null | grep -qx installed; then
    grep -q 'ClickDeleteAndSaveGiveTheLinuxBuildsFileOnI686 .*Passed' "$log" ||
      fail "$name: wine32 is installed, yet the i686 comparison did not pass"
    say "$name: wine32 installed; the i686 comparison passed"
  else
    grep -q 'wine32:i386 cannot be installed' "$log" || fail "$name: install-deps.sh did not say wine32 is missing"
    grep -E 'ClickDeleteAndSaveGiveTheLinuxBuildsFileOnI686 .*\*\*\*Skipped' "$log" >/dev/null ||
      fail "$name: the i686 comparison is not listed as skipped"
    grep -E 'ClickDeleteAndSaveGiveTheLinuxBuildsFileOnX86_64 .*Passed' "$log" >/dev/null ||
      fail "$name: the x86_64 comparison did not pass"
    grep 'run-tests: skipped .*OnI686: .*wine32' "$log" >/dev/null || fail "$name: no reason given for the skip"
    grep -E 'wine32:i386 cannot be installed|ClickDelete.*(Skipped|Passed)|run-tests: skipped' "$log" |
      while read -r line; do say "$name: log: $line"; done
  fi
  say "$name: PASS"
}

step_test() {
  root="$out/root"
  [ -d "$root/tessary" ] || fail "test needs the root the run step made"
  # The tree as it now stands, laid over the one the run step used (its builds kept).
  git -C "$here" archive "$snapshot" | tar -x -C "$root/tessary"
  install_set "$root" "second set (sh scripts/install-deps.sh --test, after the first)" "$out/install-second.log" --test
  run_test_command "$root" test "$out/test.log"
}

step_no_wine32() {
  root="$out/root-no-wine32"
  fresh_root "$root"
  printf 'Package: wine32:any\nPin: version *\nPin-Priority: -1\n' >"$root/etc/apt/preferences.d/no-wine32"
  install_set "$root" "both sets at once, wine32 pinned away (sh scripts/install-deps.sh --test)" \
    "$out/install-no-wine32.log" --test
  run_test_command "$root" no-wine32 "$out/test-no-wine32.log"
  rm -rf "$root"
}

say "$(date -u '+%Y-%m-%d %H:%M') UTC: $steps, from $(git -C "$here" rev-parse --short HEAD)"
for step in $steps; do
  case $step in
    run) step_run ;;
    test) step_test ;;
    no-wine32) step_no_wine32 ;;
    *) fail "unknown step $step (run, test, no-wine32)" ;;
  esac
done
say "all checks passed: $steps"
