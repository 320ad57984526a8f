#!/usr/bin/env bash
# Start-up of the desktop program: the time from starting `qinghe` until
# its main window is mapped (found visible by xdotool, polled every few
# milliseconds), and its resident memory (VmRSS) half a second later.
# Several runs, medians printed. Runs under Xvfb (xvfb-run, kept from
# resetting between starts) when there is no display, from a temporary
# program directory with a copy of the binary, so no 配置.ini of yours is
# read or written.
#
#   bench/startup.sh [BUILD_DIR] [RUNS]     (defaults: build, 7)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"
RUNS="${2:-7}"
BIN="$PWD/$BUILD_DIR/app/qinghe"

if [ ! -x "$BIN" ]; then
  echo "startup: $BIN not built (ninja -C $BUILD_DIR qinghe)" >&2
  exit 1
fi
if ! command -v xdotool >/dev/null; then
  echo "startup: needs xdotool" >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$BUILD_DIR" "$RUNS"
fi

WORK="$(mktemp -d /tmp/qinghe-startup-XXXXXX)"
PID=""
cleanup() {
  if [ -n "$PID" ]; then kill "$PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
cp "$BIN" "$WORK/qinghe"

now_ns() { date +%s%N; }

# The display must answer before the first start counts.
for _ in $(seq 100); do
  if xdotool getdisplaygeometry >/dev/null 2>&1; then break; fi
  sleep 0.05
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

times=()
rss=()
for run in $(seq "$RUNS"); do
  start=$(now_ns)
  "$WORK/qinghe" >/dev/null 2>"$WORK/stderr" &
  PID=$!
  shown=""
  for _ in $(seq 3000); do
    if xdotool search --onlyvisible --pid "$PID" >/dev/null 2>&1; then
      shown=$(now_ns)
      break
    fi
    if ! kill -0 "$PID" 2>/dev/null; then break; fi
    sleep 0.003
  done
  if [ -z "$shown" ]; then
    echo "startup: run $run: no window appeared" >&2
    cat "$WORK/stderr" >&2
    exit 1
  fi
  sleep 0.5
  kb=$(awk '/^VmRSS:/ { print $2 }' "/proc/$PID/status")
  kill "$PID"
  wait "$PID" 2>/dev/null || true
  PID=""
  ms=$(( (shown - start) / 1000000 ))
  times+=("$ms")
  rss+=("$kb")
  echo "  run $run: shown after $ms ms, VmRSS $kb kB"
done

echo "qinghe start-up under X display $DISPLAY, $RUNS runs:"
echo "  time to main window shown: median $(printf '%s\n' "${times[@]}" | median) ms"
echo "  resident memory after start: median $(printf '%s\n' "${rss[@]}" | median) kB"
