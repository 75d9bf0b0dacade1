#!/usr/bin/env bash
# Takes the README's screenshots of the real program: starts a virtual X server, runs
# `kinetra` from BUILD_DIR, goes through one calculation of examples/sigmoidal.txt with
# the mouse and the keyboard, and writes into OUT_DIR:
#   splash.png  menu.png  data-entry.png  graph1.png  calculation.png  statistics.png  graph2.png
#
#   scripts/take-screenshots.sh BUILD_DIR OUT_DIR
#
# Another data set: KINETRA_SHOT_DATA (an absolute path, or examples/NAME), KINETRA_SHOT_LAST (its
# last point), KINETRA_SHOT_BASELINE, KINETRA_SHOT_RATE_UNIT, KINETRA_SHOT_CONC_UNIT,
# KINETRA_SHOT_LIGAND.
#
# Needs Xvfb, xdotool and ImageMagick (scripts/install-deps.sh installs them). The X server
# runs on display :99 (1280 x 800, 24 bits) without a window manager, so the windows have
# no title bars of their own and stand where the program puts them: the main window at the
# top-left corner of the screen, 12000 x 8500 twips (800 x 567 pixels at 96 dpi).
#
# The controls are found from their places in twips (15 twips per pixel), as the window
# sources set them. Child windows inside the main window are not X windows, so their
# client areas are found from the main window's corner, the child's place and the child
# frame's border and title bar (KINETRA_SHOT_BORDER, KINETRA_SHOT_TITLE: pixels, for the
# Qt style in use). Dialogs are X windows of their own and are looked up by their titles.
set -euo pipefail

usage() { echo "usage: $0 BUILD_DIR OUT_DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage

build_dir=$(cd "$1" 2>/dev/null && pwd) || { echo "take-screenshots: no build folder $1" >&2; exit 1; }
mkdir -p "$2"
out_dir=$(cd "$2" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
program="$build_dir/kinetra"
display_number=99
border=${KINETRA_SHOT_BORDER:-4}
title_bar=${KINETRA_SHOT_TITLE:-24}
step_pause=${KINETRA_SHOT_PAUSE:-1}
data_file=${KINETRA_SHOT_DATA:-examples/sigmoidal.txt}
last_point=${KINETRA_SHOT_LAST:-14}
baseline=${KINETRA_SHOT_BASELINE:-3}
rate_unit=${KINETRA_SHOT_RATE_UNIT:-U/mg}
conc_unit=${KINETRA_SHOT_CONC_UNIT-mM}
ligand=${KINETRA_SHOT_LIGAND:-ATP}

fail() {
  echo "take-screenshots: $*" >&2
  # the screen as it stood, to see which step went wrong
  if [ -n "${xvfb_pid:-}" ] && import -window root "${TMPDIR:-/tmp}/take-screenshots-failure.png" 2>/dev/null; then
    echo "take-screenshots: the screen at the failure is in ${TMPDIR:-/tmp}/take-screenshots-failure.png" >&2
  fi
  exit 1
}

[ -x "$program" ] || fail "no program at $program (build the target kinetra first)"
[ -d "$source_dir/examples" ] || fail "no examples folder in $source_dir"
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh"
done
if [ -e "/tmp/.X${display_number}-lock" ]; then
  fail "display :$display_number is in use (/tmp/.X${display_number}-lock exists)"
fi

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2>/dev/null; then kill "$xvfb_pid" 2>/dev/null || true; fi
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# ------------------------------------------------------------------ X server and program

Xvfb ":$display_number" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display_number"
for _ in $(seq 50); do
  xdotool getdisplaygeometry >/dev/null 2>&1 && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
  sleep 0.1
done
xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb does not answer"

# The file dialog opens in the program's current folder: a copy of the examples is there.
mkdir -p "$work/run" "$work/xdg"
chmod 700 "$work/xdg"
cp -r "$source_dir/examples" "$work/run/"

# Qt's own file dialog (no desktop theme), 96 dpi, C number forms.
(
  cd "$work/run"
  exec env QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=96 \
    QT_SCALE_FACTOR=1 XDG_RUNTIME_DIR="$work/xdg" LC_ALL=C.UTF-8 LANG=C.UTF-8 "$program"
) >"$work/kinetra.log" 2>&1 &
app_pid=$!

# ------------------------------------------------------------------ helpers

pause() { sleep "$step_pause"; }

# The id of the visible window whose title holds $1 (plain, case-sensitive text: the main
# window is "KINETRA"; the splash has no caption and shows a single blank), waiting up to
# 10 s. The titles are read one by
# one: xdotool's own --name search looks at the old Latin-1 title property only, which Qt
# does not always fill.
visible_window() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
    if xdotool getwindowname "$id" 2>/dev/null | grep -qxF -- "$1"; then
      echo "$id"
      return 0
    fi
  done
  return 1
}

window_named() {
  local id
  for _ in $(seq 100); do
    kill -0 "$app_pid" 2>/dev/null || { cat "$work/kinetra.log" >&2; fail "kinetra ended early"; }
    if id=$(visible_window "$1"); then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  fail "no window titled '$1' appeared"
}

# Waits until no visible window's title holds $1.
window_gone() {
  for _ in $(seq 100); do
    visible_window "$1" >/dev/null || return 0
    sleep 0.1
  done
  fail "the window titled '$1' did not close"
}

# X Y WIDTH HEIGHT of a window, in pixels.
geometry_of() {
  local key value x=0 y=0 width=0 height=0
  while IFS='=' read -r key value; do
    case $key in
      X) x=$value ;;
      Y) y=$value ;;
      WIDTH) width=$value ;;
      HEIGHT) height=$value ;;
    esac
  done < <(xdotool getwindowgeometry --shell "$1")
  echo "$x $y $width $height"
}

# Clicks the centre of a control: ORIGIN_X ORIGIN_Y (pixels of the client area's corner)
# then LEFT TOP WIDTH HEIGHT in twips from that corner.
click_twips() {
  local x=$(($1 + ($3 + $5 / 2) / 15)) y=$(($2 + ($4 + $6 / 2) / 15))
  xdotool mousemove "$x" "$y" click 1
  pause
}

# Clicks an option button's round mark, 8 pixels in from its left: an option button takes
# clicks on its mark and caption only, not on the empty rest of its box. Same arguments.
click_option() {
  local x=$(($1 + $3 / 15 + 8)) y=$(($2 + ($4 + $6 / 2) / 15))
  xdotool mousemove "$x" "$y" click 1
  pause
}

# Types into the window with id $1 (the focus goes there first).
type_into() {
  xdotool windowfocus --sync "$1" 2>/dev/null || xdotool windowfocus "$1"
  shift
  xdotool type --delay 20 "$@"
}

# Screenshot of the rectangle X Y WIDTH HEIGHT into OUT_DIR/$1, made small: no metadata
# and a palette of at most 256 colours.
shot() {
  local name=$1 x=$2 y=$3 w=$4 h=$5
  import -window root "$work/screen.png"
  convert "$work/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip -dither None -colors 256 \
    "PNG8:$out_dir/$name"
  echo "take-screenshots: $out_dir/$name ($(stat -c %s "$out_dir/$name") bytes)"
}

# ------------------------------------------------------------------ splash and menu

splash=$(window_named ' ')
pause
read -r sx sy sw sh < <(geometry_of "$splash")
shot splash.png "$sx" "$sy" "$sw" "$sh"
xdotool windowfocus --sync "$splash" 2>/dev/null || xdotool windowfocus "$splash"
xdotool key space

main=$(window_named 'KINETRA')
pause
read -r mx my mw mh < <(geometry_of "$main")
shot menu.png "$mx" "$my" "$mw" "$mh"

# The menu is centred in the main window: 7000 x 6000 twips.
menu_x=$((mx + (mw * 15 - 7000) / 2 / 15 + border))
menu_y=$((my + (mh * 15 - 6000) / 2 / 15 + title_bar))
click_twips "$menu_x" "$menu_y" 1740 840 3795 1095   # Calculation of Kinetic Parameters

# ------------------------------------------------------------------ data entry

# The data entry window stands at 150, 150 twips; the data frame at 6000, 600 in it.
entry_x=$((mx + 10 + border))
entry_y=$((my + 10 + title_bar))
frame_x=$((entry_x + 400))
frame_y=$((entry_y + 40))
click_option "$frame_x" "$frame_y" $((2340 + 240)) $((2640 + 720)) 1575 255   # Enter Data From: File

dialog=$(window_named 'Open Data File')
pause
type_into "$dialog" "$data_file"
xdotool key Return
window_gone 'Open Data File'
pause

xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
field=0
for text in 'A. Lab' 'Cooperative enzyme' "$rate_unit" "$conc_unit" "$ligand"; do
  click_twips "$frame_x" "$frame_y" 2280 $((360 + 360 * field)) 2295 315
  xdotool type --delay 20 "$text"
  field=$((field + 1))
done
click_twips "$entry_x" "$entry_y" 4920 2040 975 975                           # Data OK
click_option "$frame_x" "$frame_y" $((360 + 240)) $((2640 + 600)) 1455 255     # Output To: None
shot data-entry.png "$mx" "$my" "$mw" "$mh"
click_twips "$entry_x" "$entry_y" 7620 4860 1575 495                          # Draw Graph

# ------------------------------------------------------------------ graph 1

pause
graph_x=$((mx + border))
graph_y=$((my + title_bar))
shot graph1.png "$mx" "$my" "$mw" "$mh"
click_twips "$graph_x" "$graph_y" 10440 2760 915 555                          # Next

# ------------------------------------------------------------------ calculation

# Outer size 8520 x 6345 twips, centred in the main window.
calc_x=$((mx + (mw * 15 - 8520) / 2 / 15 + border))
calc_y=$((my + (mh * 15 - 6345) / 2 / 15 + title_bar))
click_twips "$calc_x" "$calc_y" 1740 120 495 315                              # 1

points=$(window_named 'Points of Curve')
pause
type_into "$points" '1'
xdotool key Return
type_into "$points" "$last_point"
xdotool key Return
type_into "$points" "$baseline"
xdotool key Return
window_gone 'Points of Curve'
pause
shot calculation.png "$mx" "$my" "$mw" "$mh"

click_twips "$calc_x" "$calc_y" 6720 5520 1575 375                              # Statistics
pause
sleep 1
shot statistics.png "$mx" "$my" "$mw" "$mh"
# the close box of the Fit Statistics window, which stands at 90, 90 twips and is about 11400 wide
xdotool mousemove $((mx + (90 + 11400) / 15 - 16)) $((my + 17)) click 1
pause

click_option "$calc_x" "$calc_y" $((3720 + 240)) $((60 + 480)) 855 195        # Graph ?: Yes
question=$(window_named 'Baseline')
pause
read -r qx qy _ _ < <(geometry_of "$question")
click_option "$qx" "$qy" 1080 1200 1215 495                                    # Consider Baseline?: Yes
click_twips "$qx" "$qy" 2227 2040 1575 375                                    # Continue
window_gone 'Baseline'

# ------------------------------------------------------------------ graph 2

pause
shot graph2.png "$mx" "$my" "$mw" "$mh"
click_twips "$graph_x" "$graph_y" 10320 4920 975 615                          # Stop

for _ in $(seq 50); do
  kill -0 "$app_pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$app_pid" 2>/dev/null; then
  echo "take-screenshots: kinetra did not end on Stop" >&2
  exit 1
fi
app_pid=""
echo "take-screenshots: done"
