#!/usr/bin/env bash
# Killed at any moment, nothing lost: the real program on a bare X server against torvel-server,
# ended with SIGKILL again and again at a seeded random moment of one of four activities:
#
#   item       an item entered with "OK" (the backup file being written)
#   list       a list of items pasted into the product code and confirmed (one backup write)
#   send       an order being sent (the order file written, the upload in flight, the list reload)
#   catalogue  the start-up's store check and catalogue download (Itens.Txt being written)
#
# After every kill: each file the program writes is whole, its former content or its new one;
# the temporary files of a replacement cut short are removed by the next start; the next
# " Novo Pedido." offers the backup with every item entered before; an order the server took is
# stored once, and an order whose backup is gone was taken. Counts per moment are printed.
#
# usage: kill_test.sh <UniTorvel> <torvel-server> <artifact dir> [kills [seed]]
set -euo pipefail

app_exe=$1
server_exe=$2
artifacts=$3
kills=${4:-200}
seed=${5:-${TORVEL_KILL_SEED:-1}}

export LC_ALL=C
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE

source "$(dirname "$0")/../support/processes.sh"
require_tools kill_test Xvfb xdotool xwininfo xclip curl

start_work kill
dir=$work/install
mkdir -p "$dir" "$artifacts"
rm -f "$artifacts"/kill-*

cycle=0 moment=
fail() {
    echo "kill_test: FAILED at kill $cycle ($moment, seed $seed): $*" >&2
    cp "$work"/*.log "$artifacts/" 2>/dev/null || true
    ls -la "$dir" >"$artifacts/kill-files.txt" 2>&1 || true
    exit 1
}

file_is() { [[ -f "$1" ]] && cmp -s "$1" <(printf '%s' "$2"); }
# A window of the running program by its caption: a killed one's may linger on the server a while.
visible() { xdotool search --all --onlyvisible --pid "$app_pid" --name "$1" 2>/dev/null | head -1; }
has_focus() { [[ "$(xdotool getwindowfocus 2>/dev/null || true)" == "$1" ]]; }
type_text() { xdotool type --delay 10 "$1"; }
click_at() {
    xdotool mousemove --window "$main" "$1" "$2" click 1 2>>"$work/xdotool.log" ||
        fail "cannot click in the main window $main ($(xwininfo -root -tree 2>&1 | grep -c Pedidos) windows named so)"
}
NOVO_X=299 NOVO_Y=542  # " Novo Pedido." on the order list page
SALVA_X=97 SALVA_Y=542 # " Enviar Pedido" on the order editor page
# The temporary files of replacements, by the name the program gives them.
temporaries() { (cd "$dir" && ls -A | grep -E '^\..+\.replacing-......$' || true); }
# Milliseconds as a sleep argument.
seconds_of() { printf '%d.%03d' $(($1 / 1000)) $(($1 % 1000)); }

start_x_server "$work"

# A catalogue large enough that its write takes a while, so that kills land inside it.
start_order_server 60 "$server_exe" "$work" --products "${TORVEL_KILL_PRODUCTS:-100000}"
api="http://$address/api/torvel"

cp "$app_exe" "$dir/UniTorvel"
config=$'[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n'"SERVIDOR=$address"$'\r\n'
printf '%s' "$config" >"$dir/Config.Ini"

# The catalogue as the program writes it, and a former one that differs from it.
curl -sf --max-time 60 "$api/pedidos.php?filtro=itens&valor=1021&CTRO=34" |
    tr ';' '\n' | sed 's/$/\r/' >"$work/catalogue" || fail "the catalogue request failed"
head -3 "$work/catalogue" >"$work/former-catalogue"
# The product every item is: its line in the backup and order files.
product=$(grep -a -m1 '^34|[^|]*|[^|]*|[^|]*|[^|]*|[^|]*|[0-9]*\.[0-9][0-9]|' "$work/catalogue" |
    tr -d '\r')
[[ -n "$product" ]] || fail "no product of store 34 with a price"
IFS='|' read -r _ code _ desc _ _ price _ <<<"$product"
cents=$((10#${price/./} * 2))
item_cells="$code|$desc|${price/./,}|2|$((cents / 100)),$(printf '%02d' $((cents % 100)))"

list_orders() { curl -sf --max-time 20 "$api/pedidos.php?filtro=ctro&valor=1021&CTRO=34" | tr ';' '\n'; }

# What the test knows the disk holds: the backup's lines (none: no file) and the order file.
backup=()
order_file="$dir/34+1021.Txt"
check_backup_is() { # <lines...>: the backup file holds exactly these lines (none: absent)
    if (($# == 0)); then
        [[ ! -e "$dir/GProd_0.Txt" ]]
    else
        [[ -f "$dir/GProd_0.Txt" ]] && cmp -s "$dir/GProd_0.Txt" <(printf '%s\r\n' "$@")
    fi
}

# A leftover of a replacement cut short, planted once so that the clean-up is seen at least once
# however the kills fall; any real ones are added after each kill.
printf '34|1|CUT SH' >"$dir/.Itens.Txt.replacing-Ab12Cd"
cp "$work/catalogue" "$dir/Itens.Txt"
pending=$(temporaries)

declare -A count
for m in item list send catalogue; do count[$m]=0 count[$m-former]=0 count[$m-new]=0; done
count[leftover]=0 count[cleaned]=0 count[stored]=0 count[offered]=0

# The program runs outside the script's jobs (its parent is gone at once), so that a kill is not
# reported by the shell; it is waited for by polling.
start_program() {
    app_pid=$(
        cd "$dir"
        ./UniTorvel >>"$work/app.log" 2>&1 &
        echo $!
    )
}
wait_main_window() {
    poll 30 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
    xdotool windowfocus "$main" 2>/dev/null || fail "the main window went away"
    poll 10 "the main window to take the focus" has_focus "$main"
    # Store check and catalogue download ran before the window showed: the leftovers are gone.
    local t
    for t in $pending; do
        [[ ! -e "$dir/$t" ]] || fail "the start left the temporary file $t"
        count[cleaned]=$((count[cleaned] + 1))
    done
    pending=
    cmp -s "$dir/Itens.Txt" "$work/catalogue" || fail "Itens.Txt is not the catalogue after a start"
}
kill_program() {
    if [[ -n "${killer:-}" ]]; then
        wait "$killer" 2>/dev/null || true
        killer=
    fi
    kill -KILL "$app_pid" 2>/dev/null || true
    local pid=$app_pid
    app_pid=
    poll 10 "the killed program to end" eval '! alive "$pid"'
    app_pid=
}

# " Novo Pedido.": the backup, when there is one, is offered and its rows come back; a restored
# row carries one empty cell more, which its next save writes.
new_order() {
    click_at $NOVO_X $NOVO_Y
    if ((${#backup[@]} > 0)); then
        poll 10 "the offer of the backup" eval 'box=$(visible "^A T E N") && [[ -n "$box" ]]'
        count[offered]=$((count[offered] + 1))
        poll 10 "the offer to take the focus" has_focus "$box"
        xdotool key Return
        poll 10 "the focus back in the main window" has_focus "$main"
    fi
}
enter_item() { # types the item and clicks "OK" with Enter
    type_text "$code"
    xdotool key Return
    type_text 2
    xdotool key Return
    [[ "${1:-}" == kill ]] && kill_after $((RANDOM % 12))
    xdotool key Return
}
# A list of the same item, pasted into the product code and confirmed with Enter on the question.
list_lines=40
for ((k = 0; k < list_lines; k++)); do printf '%s\t2\r\n' "$code"; done >"$work/list"
paste_list() {
    xclip -selection clipboard -quiet <"$work/list" >/dev/null 2>&1 &
    clip_pid=$!
    poll 10 "the list on the clipboard" eval '[[ -n "$(xclip -selection clipboard -o 2>/dev/null)" ]]'
    xdotool key ctrl+v
    poll 10 "the question" eval 'box=$(visible "^UniTorvel$") && [[ -n "$box" ]]'
    poll 10 "the question to take the focus" has_focus "$box"
    kill_after $((RANDOM % 30))
    xdotool key Return
}
# kill_after <ms>: the program is killed that long after now, while the script goes on; the delay
# runs from before the key or click that starts the activity, so that some kills come before it.
kill_after() {
    (
        sleep "$(seconds_of "$1")"
        kill -KILL "$app_pid" 2>/dev/null
    ) &
    killer=$!
}
restored() {
    local line
    restored_lines=()
    for line in "${backup[@]}"; do restored_lines+=("$line|"); done
}

# How long a start takes to its window: the catalogue kills fall within it.
start_program
wait_main_window
kill_program
start_ms=$(date +%s%3N)
start_program
wait_main_window
start_ms=$(($(date +%s%3N) - start_ms))
kill_program
echo "kill_test: $kills kills, seed $seed, a start takes ${start_ms} ms"

RANDOM=$seed
began=$SECONDS
for ((cycle = 1; cycle <= kills; cycle++)); do
    case $((RANDOM % 5)) in
    0 | 1) moment=item ;;
    2) moment=send ;;
    3) moment=catalogue ;;
    4) moment=list ;;
    esac
    count[$moment]=$((count[$moment] + 1))
    case $moment in
    item)
        start_program
        wait_main_window
        new_order
        restored
        enter_item kill
        kill_program
        new=("${restored_lines[@]}" "$((${#backup[@]} + 1))|$item_cells")
        if check_backup_is "${backup[@]}"; then
            count[item-former]=$((count[item-former] + 1))
        elif check_backup_is "${new[@]}"; then
            count[item-new]=$((count[item-new] + 1))
            backup=("${new[@]}")
        else
            fail "GProd_0.Txt holds $(od -c "$dir/GProd_0.Txt" 2>&1 | head -20)"
        fi
        ;;
    list)
        start_program
        wait_main_window
        new_order
        restored
        paste_list
        kill_program
        kill "$clip_pid" 2>/dev/null || true
        wait "$clip_pid" 2>/dev/null || true
        new=("${restored_lines[@]}")
        for ((k = 1; k <= list_lines; k++)); do new+=("$((${#backup[@]} + k))|$item_cells"); done
        if check_backup_is "${backup[@]}"; then
            count[list-former]=$((count[list-former] + 1))
        elif check_backup_is "${new[@]}"; then
            count[list-new]=$((count[list-new] + 1))
            backup=("${new[@]}")
        else
            fail "GProd_0.Txt holds $(od -c "$dir/GProd_0.Txt" 2>&1 | head -20)"
        fi
        ;;
    send)
        start_program
        wait_main_window
        new_order
        restored
        enter_item
        backup=("${restored_lines[@]}" "$((${#backup[@]} + 1))|$item_cells")
        poll 10 "the backup of the item" check_backup_is "${backup[@]}"
        xdotool key F4
        type_text "K$cycle"
        xdotool key Escape
        rm -f "$work/former-order"
        [[ -f "$order_file" ]] && cp "$order_file" "$work/former-order"
        kill_after $((RANDOM % 30))
        # The kill may come first: then there is no window to click.
        xdotool mousemove --window "$main" $SALVA_X $SALVA_Y click 1 2>/dev/null || true
        kill_program
        # The order file: the former one, or the new one whole (its issue date is the minute
        # the window was shown).
        if [[ ! -e "$work/former-order" && ! -e "$order_file" ]] ||
            cmp -s "$order_file" "$work/former-order" 2>/dev/null; then
            count[send-former]=$((count[send-former] + 1))
        else
            tail=$(tail -c 20 "$order_file" | tr -d '\r\n')
            [[ "$tail" =~ \|[0-3][0-9]/[01][0-9]/20[0-9][0-9]\ [0-2][0-9]:[0-5][0-9]$ ]] ||
                fail "the order file ends with '$tail'"
            cmp -s "$order_file" <(printf '%s\r\n' "${backup[@]}" "OBS|K$cycle|${tail: -16}") ||
                fail "34+1021.Txt holds $(od -c "$order_file" | head -20)"
            count[send-new]=$((count[send-new] + 1))
        fi
        stored=$(list_orders | grep -ac "^[0-9]*|K$cycle|" || true)
        ((stored <= 1)) || fail "the server stored the order $stored times"
        if ((stored == 1)); then
            count[stored]=$((count[stored] + 1))
            doc=$(list_orders | grep -a "^[0-9]*|K$cycle|" | cut -d'|' -f1)
            items=$(curl -sf --max-time 20 "$api/pedidos_1.php?Pedido=$doc&CTRO=34" | tr ';' '\n' |
                grep -c . || true)
            ((items == ${#backup[@]})) || fail "order $doc stored with $items items of ${#backup[@]}"
        fi
        # The backup goes only once the server has the order.
        if [[ ! -e "$dir/GProd_0.Txt" ]]; then
            ((stored == 1)) || fail "the backup is gone but the server has no order K$cycle"
            backup=()
        else
            check_backup_is "${backup[@]}" || fail "GProd_0.Txt changed by the send"
        fi
        ;;
    catalogue)
        cp "$work/former-catalogue" "$dir/Itens.Txt"
        start_program
        kill_after $((start_ms / 2 + RANDOM % (start_ms + 1)))
        kill_program
        if cmp -s "$dir/Itens.Txt" "$work/former-catalogue"; then
            count[catalogue-former]=$((count[catalogue-former] + 1))
        elif cmp -s "$dir/Itens.Txt" "$work/catalogue"; then
            count[catalogue-new]=$((count[catalogue-new] + 1))
        else
            fail "Itens.Txt is cut: $(wc -c <"$dir/Itens.Txt") bytes"
        fi
        # The next start downloads it again whatever it holds.
        ;;
    esac
    file_is "$dir/Config.Ini" "$config" || fail "Config.Ini changed"
    left=$(temporaries)
    for t in $left; do
        [[ " $pending " == *" $t "* ]] || count[leftover]=$((count[leftover] + 1))
    done
    pending=$left
    # Nothing but the program's own files.
    stray=$(cd "$dir" && ls -A | grep -vE '^(UniTorvel|Config\.Ini|Itens\.Txt|GProd_0\.Txt|34\+1021\.Txt|\..+\.replacing-......)$' || true)
    [[ -z "$stray" ]] || fail "unexpected files: $stray"
done

# The last kill's leftovers and backup: a start removes them, and the new order gets the rows.
start_program
wait_main_window
new_order
kill_program

for m in item list send catalogue; do
    echo "kill_test: $m: ${count[$m]} kills, the file found former ${count[$m-former]}," \
        "new ${count[$m-new]}"
done
echo "kill_test: orders the server took: ${count[stored]}; backups offered: ${count[offered]};" \
    "temporary files left by kills: ${count[leftover]}, removed by the next start: ${count[cleaned]}"
echo "kill_test: passed $kills kills in $((SECONDS - began))s; no file lost or cut"
