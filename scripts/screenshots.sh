#!/usr/bin/env bash
# The README's pictures: starts torvel-server with its demo data and the real program under a
# virtual X server, walks it with the keyboard (the store chosen and its orders listed, an order
# being composed, the search window with a result, the observations panel) and writes one PNG of
# each window into the output folder (docs/screenshots/ by default).
#
# usage: scripts/screenshots.sh [<UniTorvel> <torvel-server> <output folder>]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
app_exe=${1:-$root/build/app/UniTorvel}
server_exe=${2:-$root/build/server/torvel-server}
out=${3:-$root/docs/screenshots}

export LC_ALL=C
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR

source "$root/tests/support/processes.sh"
require_tools screenshots Xvfb xdotool xclip import identify

start_work shots
mkdir -p "$out" "$work/app"
fail() {
    echo "screenshots: FAILED: $*" >&2
    exit 1
}

start_x_server "$work"

start_order_server 20 "$server_exe" "$work" --quiet

cp "$app_exe" "$work/app/UniTorvel"
printf '[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\nSERVIDOR=%s\r\n' \
    "$address" >"$work/app/Config.Ini"
(cd "$work/app" && exec ./UniTorvel >"$work/app.log" 2>&1) &
app_pid=$!

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_focus() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }
# What a window shows once it has settled: the program paints after its last event.
settle() { sleep 0.7; }
shot() {
    settle
    import -window "$1" "png:$out/$2.png"
    echo "screenshots: $out/$2.png"
}
# The main window's layout at its opening size (orders/OrderListPage.cpp).
NOVO_X=299 NOVO_Y=542

# The only store is checked at start: the window opens on its order list.
poll 30 "the main window" eval 'main=$(visible "^Pedidos Torvel$") && [[ -n "$main" ]]'
xdotool windowfocus "$main"
poll 10 "the main window to take the focus" has_focus "$main"
shot "$main" order-list

# " Novo Pedido.", then three items by code: code, Enter, quantity, Enter, Enter ("OK").
xdotool mousemove --window "$main" $NOVO_X $NOVO_Y click 1
settle
for item in 1002:2 1004:2 1005:3; do
    xdotool type --delay 30 "${item%%:*}"
    xdotool key Return
    sleep 0.3
    xdotool type --delay 30 "${item##*:}"
    xdotool key Return Return
    sleep 0.3
done
shot "$main" order-editor

# F3, F2 and part of a name: the search window with its result.
xdotool key F3
poll 30 "the search window" eval 'search=$(visible "^FProcura_Prod$") && [[ -n "$search" ]]'
poll 10 "the search window to take the focus" has_focus "$search"
xdotool key F2
settle
xdotool type --delay 30 LEITE
xdotool key Return
shot "$search" product-search
xdotool key Escape
poll 10 "the focus to come back to the main window" has_focus "$main"

# F4: the observations panel over the items.
xdotool key F4
settle
xdotool type --delay 20 "Entregar pela manha"
shot "$main" observations

# Esc, then a list pasted into the product code, one of its codes unknown: the answer box.
xdotool key Escape
settle
printf '1002\t2\r\n1004\t1,5\r\n99999\t1\r\n1005\t3\r\n' |
    xclip -selection clipboard -quiet >/dev/null 2>&1 &
clip_pid=$!
poll 10 "the list on the clipboard" eval '[[ -n "$(xclip -selection clipboard -o 2>/dev/null)" ]]'
xdotool key ctrl+v
poll 10 "the question" eval 'box=$(visible "^UniTorvel$") && [[ -n "$box" ]]'
poll 10 "the question to take the focus" has_focus "$box"
question=$box
xdotool key Return
poll 10 "the answer" eval 'box=$(visible "^UniTorvel$") && [[ -n "$box" && "$box" != "$question" ]]'
poll 10 "the answer to take the focus" has_focus "$box"
shot "$box" list-answer
xdotool key Return
kill "$clip_pid" 2>/dev/null || true

# Each picture shows a window, not an empty area.
for name in order-list order-editor product-search observations list-answer; do
    colours=$(identify -format '%k' "$out/$name.png")
    ((colours > 50)) || fail "$name.png has only $colours colours"
done
echo "screenshots: done"
