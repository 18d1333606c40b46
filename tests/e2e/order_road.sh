#!/usr/bin/env bash
# The road of one order through the real program, on a bare X server, driven with the keyboard
# and the mouse as a person would: the first run writes Config.Ini and fails to reach the default
# host; with SERVIDOR pointing at a local torvel-server the store check passes, an item is entered
# by code, one is found by name with F3, an observation is typed with F4, and the order is sent.
# Then the order the server stored, the files left on disk and the screenshots are checked.
# With "https" the server speaks TLS with a certificate of a CA made here: first the program
# does not trust it (the store check is refused and nothing is requested), then Config.Ini names
# the CA in CERTIFICADOS and the same road runs over https.
#
# usage: order_road.sh <UniTorvel> <torvel-server> <bind_keys> <artifact dir> [https]
#
# Every wait is for something observable (a window, the keyboard focus, a file's bytes), polled
# with a bound; no step relies on a fixed sleep.
set -euo pipefail

app_exe=$1
server_exe=$2
bind_keys=$3
artifacts=$4
scheme=${5:-http}

# Files and replies are Windows-1252 bytes: compare them as bytes. Only xdotool reads text, as
# UTF-8 (type_text).
export LC_ALL=C
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE

source "$(dirname "$0")/../support/processes.sh"
require_tools order_road Xvfb xdotool xprop xwininfo import identify curl openssl

start_work e2e
dir=$work/install # the program's directory and its current directory
mkdir -p "$dir" "$artifacts"
rm -f "$artifacts"/*

step() { echo "order_road: $*"; }

# Keeps what explains a failure, then stops.
fail() {
    echo "order_road: FAILED: $*" >&2
    if [[ -n "${DISPLAY:-}" ]]; then
        import -window root "$artifacts/failure.png" 2>/dev/null || true
        xwininfo -root -tree >"$artifacts/failure-windows.txt" 2>&1 || true
    fi
    cp "$work"/*.log "$artifacts/" 2>/dev/null || true
    ls -la "$dir" >"$artifacts/failure-files.txt" 2>&1 || true
    exit 1
}

type_text() { LC_ALL=C.UTF-8 xdotool type --delay 15 "$1"; }

# Bytes of a file in hex, so that CR, LF and Windows-1252 letters compare and print exactly.
hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }
hex_of() { printf '%s' "$1" | od -An -v -tx1 | tr -d ' \n'; }
file_is() { [[ -f "$1" ]] && [[ "$(hex "$1")" == "$(hex_of "$2")" ]]; }
expect_file() {
    file_is "$1" "$2" || fail "$(basename "$1") holds $(od -c "$1" 2>&1 | head -20), expected $(printf '%s' "$2" | od -c | head -20)"
}
absent() { [[ ! -e "$1" ]]; }

# Windows: the main window by its caption, message boxes by theirs, the search window by its
# name. Only mapped windows count.
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
focus() { xdotool getwindowfocus 2>/dev/null || true; }
has_focus() { [[ "$(focus)" == "$1" ]]; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# A message box of the program: caption "UniTorvel", modal.
message_box() {
    local w
    for w in $(xdotool search --onlyvisible --name '^UniTorvel$' 2>/dev/null); do
        xprop -id "$w" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_MODAL && echo "$w" && return 0
    done
    return 1
}
no_message_box() { ! message_box >/dev/null; }
# Only the main window is mapped: the wait window and every box are gone.
only_main_window() { [[ "$(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null)" == "$main" ]]; }

# A click at a point of the main window (the layout of app/Central.cpp: the pages start 52
# pixels down).
click_at() { xdotool mousemove --window "$main" "$1" "$2" click 1; }
NOVO_X=299 NOVO_Y=542    # " Novo Pedido." on the order list page
SALVA_X=97 SALVA_Y=542   # " Enviar Pedido" on the order editor page
SALVAR_X=391 SALVAR_Y=309 # "Salvar" of the first-run panel

start_program() {
    local log=$1
    (cd "$dir" && exec ./UniTorvel >"$work/$log" 2>&1) &
    app_pid=$!
    poll 30 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
    # A window manager would activate the new window; on the bare server the test does.
    xdotool windowfocus "$main"
    poll 10 "the main window to take the focus" has_focus "$main"
}

# Nothing is saved at exit: ending the process is closing the program.
stop_program() {
    stop_process "$app_pid"
    app_pid=
}

# The X server, on a display number it picks itself.
start_x_server "$work"
step "X server on $DISPLAY"
# The accented letters typed below get keys of their own (see BindKeys.cpp).
"$bind_keys" ccedilla uacute atilde || fail "cannot bind the accented letters to keys"

# The order server, on a free port; over https with a certificate for 127.0.0.1 from a CA of
# its own.
tls_args=() curl_tls=()
if [[ $scheme == https ]]; then
    tls=$work/tls
    mkdir "$tls"
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
        -subj "/CN=Road Test CA" -addext "basicConstraints=critical,CA:TRUE" \
        -addext "keyUsage=critical,keyCertSign" -keyout "$tls/ca.key" -out "$tls/ca.pem" 2>/dev/null
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=127.0.0.1" \
        -keyout "$tls/server.key" -out "$tls/server.csr" 2>/dev/null
    printf 'subjectAltName=IP:127.0.0.1\n' >"$tls/ext"
    openssl x509 -req -in "$tls/server.csr" -CA "$tls/ca.pem" -CAkey "$tls/ca.key" \
        -CAcreateserial -days 2 -extfile "$tls/ext" -out "$tls/server.pem" 2>/dev/null
    tls_args=(--tls-cert "$tls/server.pem" --tls-key "$tls/server.key")
    curl_tls=(--cacert "$tls/ca.pem")
fi
start_order_server 20 "$server_exe" "$work" "${tls_args[@]}"
api="$scheme://$address/api/torvel"
step "order server on $scheme://$address"
# The server logs every request it reads.
requests_served() { grep -c ' /api/torvel/' "$work/server.log" || true; }

cp "$app_exe" "$dir/UniTorvel"

# --- First run: no Config.Ini. -------------------------------------------------------------
step "first run"
start_program first-run.log
# The panel's field has the focus: the document number is typed at once, then "Salvar" is
# clicked, which takes the focus from the field (laying out its text) before the click.
type_text 12345678000195
click_at $SALVAR_X $SALVAR_Y
config=$'[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n'
poll 10 "Config.Ini" file_is "$dir/Config.Ini" "$config"
# The only store is checked at once against the default host, which cannot be reached here:
# the refusal box.
poll 30 "the refusal box" eval 'box=$(message_box)'
poll 10 "the box to take the focus" has_focus "$box"
xdotool key Return
poll 10 "the box to close" no_message_box
poll 10 "the main window to be the only one" only_main_window
poll 10 "the focus to come back to the main window" has_focus "$main"
[[ "$(ls -A "$dir" | sort | tr '\n' ' ')" == "Config.Ini UniTorvel " ]] ||
    fail "after the first run the directory holds: $(ls -A "$dir")"
stop_program
expect_file "$dir/Config.Ini" "$config"

# --- Second run: the order server is set. --------------------------------------------------
config+="SERVIDOR=$scheme://$address"$'\r\n'
printf '%s' "$config" >"$dir/Config.Ini"
if [[ $scheme == https ]]; then
    step "a server whose CA the program does not trust"
    served=$(requests_served)
    # The only store is checked before the main window is shown: the refusal box comes first.
    (cd "$dir" && exec ./UniTorvel >"$work/untrusted.log" 2>&1) &
    app_pid=$!
    poll 30 "the refusal box" eval 'box=$(message_box)'
    xdotool windowfocus "$box"
    poll 10 "the box to take the focus" has_focus "$box"
    xdotool key Return
    poll 10 "the box to close" no_message_box
    poll 30 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
    stop_program
    [[ "$(requests_served)" == "$served" ]] || fail "requests reached the untrusted server"
    [[ "$(ls -A "$dir" | sort | tr '\n' ' ')" == "Config.Ini UniTorvel " ]] ||
        fail "after the refused check the directory holds: $(ls -A "$dir")"
    config+="CERTIFICADOS=$tls/ca.pem"$'\r\n'
    printf '%s' "$config" >"$dir/Config.Ini"
fi
list_orders() { curl -sf --max-time 20 "${curl_tls[@]}" "$api/pedidos.php?filtro=ctro&valor=1021&CTRO=34" | tr ';' '\n'; }
list=$(list_orders) || fail "the order list request failed"
orders_before=$(grep -c . <<<"$list" || true)
curl -sf --max-time 20 "${curl_tls[@]}" "$api/pedidos.php?filtro=itens&valor=1021&CTRO=34" >"$work/catalogue.reply" ||
    fail "the catalogue request failed"
[[ -s "$work/catalogue.reply" && "$(tr -dc '\r\n' <"$work/catalogue.reply" | wc -c)" == 0 ]] ||
    fail "the order server handed out no catalogue, or one with line breaks"

step "second run against the order server"
shown_before=$(date '+%d/%m/%Y %H:%M')
start_program order.log
shown_after=$(date '+%d/%m/%Y %H:%M')
# The store check ran before the window was shown: accepted, so the catalogue is downloaded,
# every ";" of the reply made a line of its own.
no_message_box || fail "the store check was refused"
tr ';' '\n' <"$work/catalogue.reply" | sed 's/$/\r/' >"$work/catalogue.expected"
cmp -s "$dir/Itens.Txt" "$work/catalogue.expected" || fail "Itens.Txt is not the catalogue"

# The catalogue line of a product of store 34, its fields as Windows-1252 text.
product() { grep -a "^34|$1|" "$dir/Itens.Txt" | tr -d '\r'; }
field() { cut -d'|' -f"$2" <<<"$1"; }
# Cents of a price written with ".", times a whole quantity, written with a comma.
line_total() {
    [[ "$1" =~ ^[0-9]+\.[0-9][0-9]$ ]] || fail "price $1 is not written with two decimals"
    local cents=$((10#$(tr -d '.' <<<"$1") * $2))
    printf '%d,%02d' $((cents / 100)) $((cents % 100))
}
# The line of an item in the backup and order files, CR LF included, into the variable $1.
item_line() { # <variable> <item number> <catalogue line> <quantity>
    local price
    price=$(field "$3" 7)
    printf -v "$1" '%s|%s|%s|%s|%s|%s\r\n' "$2" "$(field "$3" 2)" "$(field "$3" 4)" \
        "${price/./,}" "$4" "$(line_total "$price" "$4")"
}

# " Novo Pedido.": the editor opens with the focus in the product code.
click_at $NOVO_X $NOVO_Y
step "item by code"
first=$(product 1002)
[[ -n "$first" ]] || fail "product 1002 is not in the catalogue"
type_text 1002
xdotool key Return
type_text 3
xdotool key Return
xdotool key Return
item_line backup 1 "$first" 3
poll 10 "the backup of the first item" file_is "$dir/GProd_0.Txt" "$backup"

step "item by name with F3"
xdotool key F3
poll 30 "the product search window" eval 'search=$(visible "^FProcura_Prod$") && [[ -n "$search" ]]'
poll 10 "the search window to take the focus" has_focus "$search"
# Typing a letter on the list starts a search by the start of the name.
type_text 'AÇÚCAR R'
xdotool key Return
# The list selects its first row through a key press it posts to itself; an Enter handled
# before that finds no row and is ignored, as it is for a person who presses it too soon.
for attempt in 1 2 3 4; do
    ((attempt < 4)) || fail "Enter on the search result did not choose a product"
    xdotool key Return
    deadline=$((SECONDS + 5))
    while mapped "$search" && ((SECONDS < deadline)); do sleep 0.05; done
    mapped "$search" || break
    step "Enter came before the first row was selected; pressed again"
done
poll 10 "the focus to come back to the main window" has_focus "$main"
type_text 2
xdotool key Return
xdotool key Return
# Whichever of the products named so the search listed first.
sugar=$(printf 'A\xc7\xdaCAR REFINADO 1KG')
second=
backup_has_second() {
    local line candidate
    [[ -f "$dir/GProd_0.Txt" ]] || return 1
    while IFS= read -r line; do
        item_line candidate 2 "$line" 2
        if file_is "$dir/GProd_0.Txt" "$backup$candidate"; then
            second=$candidate
            return 0
        fi
    done < <(grep -a "^34|[^|]*|[^|]*|$sugar|" "$dir/Itens.Txt" | tr -d '\r')
    return 1
}
poll 10 "the backup of the second item" backup_has_second
step "second item: ${second%$'\r\n'}"

step "observations with F4"
xdotool key F4
type_text 'Entregar pela manhã | portão 2'
xdotool key Escape
import -window root "$artifacts/order_editor.png"

step "send"
click_at $SALVA_X $SALVA_Y
poll 30 "the backup to be deleted after the send" absent "$dir/GProd_0.Txt"
poll 30 "the list to be reloaded" only_main_window
import -window root "$artifacts/order_sent.png"

# The order file: the item lines, then the observations without accents and "|", and the
# moment the window was shown.
order_file="$dir/34+1021.Txt"
[[ -f "$order_file" ]] || fail "no order file"
obs="Entregar pela manha   portao 2"
issued=
for moment in "$shown_before" "$shown_after"; do
    file_is "$order_file" "$backup$second"OBS"|$obs|$moment"$'\r\n' && issued=$moment
done
[[ -n "$issued" ]] ||
    fail "34+1021.Txt holds $(od -c "$order_file" | head -20); issue date between $shown_before and $shown_after"

# What the server stored: one order more, listed with the observations and the issue date.
list=$(list_orders) || fail "the order list request failed"
orders_after=$(grep -c . <<<"$list" || true)
((orders_after == orders_before + 1)) || fail "the server lists $orders_after orders, not $((orders_before + 1))"
doc=$(grep -a "^[0-9]*|$obs|Aberto|$issued\$" <<<"$list" | cut -d'|' -f1)
[[ -n "$doc" ]] || fail "the sent order is not listed: $list"
# Its items: number|code|description|doc|store|quantity|unit|unit price|total.
curl -sf --max-time 20 "${curl_tls[@]}" "$api/pedidos_1.php?Pedido=$doc&CTRO=34" >"$work/items.reply" ||
    fail "the order item request failed"
stored_item() { # <item line as sent> <catalogue line>
    local n code desc price qty total
    IFS='|' read -r n code desc price qty total <<<"${1%$'\r\n'}"
    printf '%s|%s|%s|%s|34|%s|%s|%s|%s;' "$n" "$code" "$desc" "$doc" "$qty" "$(field "$2" 6)" \
        "$price" "$total"
}
second_code=$(cut -d'|' -f2 <<<"$second")
expected_items=$(stored_item "$backup" "$first")$(stored_item "$second" "$(product "$second_code")")
file_is "$work/items.reply" "$expected_items" ||
    fail "the server stored the items $(cat "$work/items.reply"), expected $expected_items"

# The files left: the configuration as written, the catalogue, the order file; no backup and no
# temporary file.
[[ "$(ls -A "$dir" | sort | tr '\n' ' ')" == "34+1021.Txt Config.Ini Itens.Txt UniTorvel " ]] ||
    fail "after the send the directory holds: $(ls -A "$dir" | tr '\n' ' ')"
expect_file "$dir/Config.Ini" "$config"

# The screenshots show the window, not an empty screen.
for shot in order_editor order_sent; do
    [[ "$(identify -format '%wx%h' "$artifacts/$shot.png")" == 1280x1024 ]] || fail "$shot.png"
    colours=$(identify -format '%k' "$artifacts/$shot.png")
    ((colours > 50)) || fail "$shot.png has only $colours colours"
done

stop_program
step "passed over $scheme: order $doc stored with two items; screenshots in $artifacts"
