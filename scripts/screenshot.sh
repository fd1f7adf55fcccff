#!/bin/sh
# Starts the Tessaly window on a virtual X server, runs a search over a
# generated folder and saves a picture of the window.
#
#   scripts/screenshot.sh [BUILD_DIR] [OUTPUT]
#
# BUILD_DIR defaults to build (with bin/tessaly in it), OUTPUT to
# docs/screenshot.png. Needs the Debian packages xvfb, xdotool and imagemagick.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$here/docs/screenshot.png}
program=$build/bin/tessaly
[ -x "$program" ] || { echo "screenshot.sh: no program $program (build with -DTESSALY_UI=ON)" >&2; exit 2; }
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "screenshot.sh: $tool is missing (apt-get install xvfb xdotool imagemagick)" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# A small tree of documents to find.
docs=$work/Documents
mkdir -p "$docs/Reports/2024" "$docs/Reports/2025" "$docs/Letters" "$docs/Archive"
for year in 2024 2025; do
  for q in 1 2 3 4; do
    head -c $((q * 37000 + year)) /dev/zero > "$docs/Reports/$year/Quarterly report Q$q $year.pdf"
  done
  printf 'Annual report %s\r\n' "$year" > "$docs/Reports/$year/Annual report $year.txt"
done
head -c 1500 /dev/zero > "$docs/Letters/report to the board.doc"
head -c 220000 /dev/zero > "$docs/Letters/Expense report.xls"
printf '<html><body>Report</body></html>' > "$docs/Archive/report-index.htm"
head -c 4100000 /dev/zero > "$docs/Archive/Report slides.ppt"
mkdir -p "$docs/Reports/Old reports.pdf"

# A display of its own, a runtime folder so no running Tessaly is met, and a
# configuration folder so the user's settings are neither read nor changed.
display=:$(( ($$ % 400) + 100 ))
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
export XDG_CONFIG_HOME=$work/config
export TESSALY_INSTANCE=tessaly-screenshot-$$
export QT_QPA_PLATFORM=xcb
i=0
until xdotool getmouselocation >/dev/null 2>&1; do
  i=$((i + 1)); [ $i -lt 100 ] || { echo "screenshot.sh: Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done

"$program" &
app_pid=$!
i=0
until window=$(xdotool search --name '^Tessaly$' 2>/dev/null | head -n 1) && [ -n "$window" ]; do
  i=$((i + 1)); [ $i -lt 200 ] || { echo "screenshot.sh: the window did not appear" >&2; exit 1; }
  sleep 0.1
done
sleep 1
# Larger than the first start's size, so the list shows whole paths.
xdotool windowsize --sync "$window" 960 600 2>/dev/null || xdotool windowsize "$window" 960 600
sleep 0.5
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"

# File name, then Tab to the location (type, contain, in, location), then Enter.
xdotool type --delay 20 "report"
xdotool key Tab Tab Tab Tab ctrl+a
xdotool type --delay 5 "$docs"
xdotool key Return
sleep 2
# Select a row so the list shows its highlight.
xdotool mousemove --window "$window" 330 64 click 1
sleep 0.5
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
echo "saved $out"
