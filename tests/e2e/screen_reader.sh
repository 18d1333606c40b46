#!/usr/bin/env bash
# What a blind clerk hears: the real program beside Debian's screen reader Orca, on a bare X
# server, with speech-dispatcher sending every utterance to a module that makes no sound. The
# utterances are the "SPEECH OUTPUT" lines of Orca's debug file; along the road of one order
# (a refused store, the window, a lookup, an entered item, a code not in the catalogue, the
# search window, the observations) the test asserts what is heard. All of them go to
# <artifact dir>/utterances.txt, step by step, with Orca's whole debug file beside it.
#
# usage: screen_reader.sh <UniTorvel> <torvel-server> <artifact dir>
#
# Exits 77 (skipped) with the reason when Orca or the accessibility bus cannot start here; under
# CI (CI set) that is a failure.
set -euo pipefail

app_exe=$1
server_exe=$2
artifacts=$3

export LC_ALL=C.UTF-8
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE

source "$(dirname "$0")/../support/processes.sh"
# Where Orca cannot run the test is skipped with the reason; under CI it fails instead.
skip() {
    [[ -n "${CI:-}" ]] && { echo "screen_reader: FAILED (CI): $*" >&2; exit 1; }
    echo "screen_reader: SKIPPED: $*"
    exit 77
}
for tool in orca speech-dispatcher dbus-daemon; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup.sh installs it)"
done
[[ -x /usr/libexec/at-spi-bus-launcher ]] || skip "at-spi2-core is not installed"
require_tools screen_reader Xvfb xdotool script iconv mkfifo python3

start_work orca
orca_log=$work/orca-debug.log mark=0
dir=$work/install
mkdir -p "$dir" "$artifacts"
rm -f "$artifacts"/*
utterances=$artifacts/utterances.txt
: >"$utterances"

step() {
    echo "screen_reader: $*"
    printf '\n== %s\n' "$*" >>"$utterances"
}
fail() {
    echo "screen_reader: FAILED: $*" >&2
    spoken >>"$utterances" 2>/dev/null || true
    cp "$orca_log" "$artifacts/orca-debug.log" 2>/dev/null || true
    [[ -n "${DISPLAY:-}" ]] && import -window root "$artifacts/failure.png" 2>/dev/null || true
    cp "$work"/*.log "$work"/synthesized.txt "$artifacts/" 2>/dev/null || true
    exit 1
}

# A home of its own: Orca's and speech-dispatcher's settings, no desktop's.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CACHE_HOME=$work/home/.cache GSETTINGS_BACKEND=memory
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher/modules" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
# The generic module with a command that runs no synthesizer: it writes each message it is
# given to synthesized.txt, so that what reaches the speech server can be checked too. Sound
# goes to libao's null driver.
synthesized=$work/synthesized.txt
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF'
AddModule "silent" "sd_generic" "silent.conf"
DefaultModule silent
DefaultLanguage "pt-BR"
AudioOutputMethod "libao"
EOF
cat >"$XDG_CONFIG_HOME/speech-dispatcher/modules/silent.conf" <<EOF
GenericExecuteSynth "printf '%s\\\\n' \\"\$DATA\\" >> $synthesized"
GenericLanguage "pt" "pt-BR" "utf-8"
AddVoice "pt-BR" "MALE1" "silent"
EOF
echo "default_driver=null" >"$HOME/.libao"

start_x_server "$work"
step "X server on $DISPLAY"

# The session bus; the accessibility bus is started on it when first asked for.
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/bus" \
    >"$work/dbus.log" 2>&1 &
dbus_pid=$!
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
poll 10 "the session bus" test -S "$work/bus"

speech-dispatcher -s -t 0 -C "$XDG_CONFIG_HOME/speech-dispatcher" -c unix_socket \
    -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" -L "$work" -P "$work/speechd.pid" \
    >"$work/speechd.log" 2>&1 &
speechd_pid=$!
poll 10 "speech-dispatcher" test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock"

# Orca writes its debug file through a buffer that it never flushes; written to a terminal it
# goes out line by line. So Orca runs on one that script(1) records, flushing every write; its
# input is a pipe that nobody writes and that never ends.
mkfifo "$work/orca-input"
script -qfec "exec orca --replace -u '$work/orca-prefs' --debug-file /dev/tty" "$orca_log" \
    <>"$work/orca-input" >"$work/orca.log" 2>&1 &
orca_pid=$!
forwarder_pid=
trap 'stop_process "$forwarder_pid"; stop_process "$orca_pid"; stop_process "$speechd_pid"; stop_started; stop_process "$dbus_pid"; chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"' EXIT
for ((i = 0; i < 200; i++)); do
    alive "$orca_pid" || skip "orca ended at start: $(tail -3 "$orca_log")"
    grep -qs "SPEECH OUTPUT" "$orca_log" && break
    sleep 0.1
done
grep -qs "SPEECH OUTPUT" "$orca_log" || skip "orca says nothing (no speech after 20s)"
grep -qs "SPEECH: Not available" "$orca_log" &&
    skip "orca cannot reach speech-dispatcher: $(tail -3 "$work/speechd.log")"

# The utterances since the mark, one a line, as Orca sent them to speech-dispatcher (without
# the voice that the debug line adds).
spoken() {
    grep -a "SPEECH OUTPUT: '" "$orca_log" | tail -n +$((mark + 1)) | tr -d '\r' |
        sed "s/^.*SPEECH OUTPUT: '//; s/' *{.*}\$//; s/'\$//"
}
said() { spoken | grep -qF -- "$1"; }
# hear <what>: waits until Orca has said it (a part of one utterance).
hear() { poll 20 "Orca to say \"$1\"" said "$1"; }
# Everything heard since the last mark goes to the step's list; the next step listens after it.
# Each step starts once Orca has caught up: Orca 48 handles a backlog's focus changes before
# its older caret moves, and a caret move then takes the focus back without a word.
next_step() {
    sleep 1
    spoken >>"$utterances"
    mark=$(grep -ac "SPEECH OUTPUT: '" "$orca_log" || true)
    step "$@"
}
# hear_field <name>: waits until Orca has named a field that took the focus, as one utterance:
# "Item text." to Orca 43; Orca 48 may leave the role or the stop out when it lags.
field_named() { spoken | grep -qxE "$1( text)?\.?"; }
hear_field() { poll 20 "Orca to name the field $1" field_named "$1"; }
not_heard() { ! said "$1" || fail "Orca said \"$1\": $(spoken | tr '\n' '|')"; }

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
type_text() { xdotool type --delay 30 "$1"; }
key() { xdotool key --delay 60 "$@"; }

# Qt 6.8 sends announcements, which Orca speaks from version 45 on: there what happens where the
# focus stays (a code not found, a row deleted) is heard at once; before, with "where am I".
announcements=false
qt_core=$(readlink -f "$(ldd "$app_exe" | awk '$1 == "libQt6Core.so.6" { print $3 }')")
orca_version=$(orca --version 2>/dev/null | grep -oE '[0-9]+' | head -1 || true)
if [[ $qt_core =~ \.so\.6\.([0-9]+) ]] && ((BASH_REMATCH[1] >= 8 && ${orca_version:-0} >= 45)); then
    announcements=true
fi
step "Qt $qt_core, Orca $orca_version: announcements $announcements"

start_order_server 20 "$server_exe" "$work"
cp "$app_exe" "$dir/UniTorvel"
# The toolkit's bridge is on, as on a desktop where a screen reader runs.
start_program() {
    (cd "$dir" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec ./UniTorvel >"$work/$1" 2>&1) &
    app_pid=$!
}
# config <store> [address]: the program's settings, the order server at the address (its own by
# default).
config() {
    printf '[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=%s\r\nSERVIDOR=http://%s\r\n' "$1" \
        "${2:-$address}" >"$dir/Config.Ini"
}

next_step "a store the server refuses: the box is read with its text"
config "36 - LOJA JARDIM"
start_program refused.log
hear "Sua loja não esta credenciada para efetuar pedidos."
# Without a window manager the box is given the keyboard by the test.
poll 10 "the refusal box" eval 'box=$(visible "^UniTorvel$") && [[ -n "$box" ]]'
xdotool windowfocus "$box"
key Return
poll 10 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
stop_process "$app_pid"
app_pid=

next_step "store 34: the window"
# The program reaches the server through a forwarder that can turn the network slow.
python3 "$(dirname "$0")/../support/slow_forwarder.py" "$address" 6 >"$work/forwarder.out" \
    2>"$work/forwarder.log" &
forwarder_pid=$!
poll 10 "the slow forwarder" grep -qs '^[0-9]' "$work/forwarder.out"
config "34 - TORVEL CDC BELVO" "127.0.0.1:$(head -1 "$work/forwarder.out")"
start_program order.log
poll 60 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
xdotool windowfocus "$main"
hear "Pedidos Torvel frame"

next_step "Listar over a slow network: the wait window is heard while the list comes"
# Each request is held for six seconds from now on, time enough for the reader to speak, even
# on a busy machine.
kill -USR1 "$forwarder_pid"
xdotool mousemove --window "$main" 460 105 click 1 # " Listar"
hear "Aguarde sincronizando..."

# A product's catalogue fields as Orca reads them (UTF-8), and its price with a comma.
product() { grep -a "^34|$1|" "$dir/Itens.Txt" | tr -d '\r' | iconv -f WINDOWS-1252 -t UTF-8; }
field() { cut -d'|' -f"$2" <<<"$1"; }
comma() { tr . , <<<"$1"; }

next_step "Novo Pedido"
xdotool mousemove --window "$main" 299 542 click 1 # " Novo Pedido."
hear_field Item

next_step "code 1002, Enter: the lookup is heard with the quantity"
item=$(product 1002)
[[ -n "$item" ]] || fail "product 1002 is not in the catalogue"
price=$(comma "$(field "$item" 7)")
type_text 1002
key Return
# The field comes first ("Qtd text."), but Orca 48 leaves it out when it lags behind the keys.
hear "$(field "$item" 4), $(field "$item" 6), $price"

next_step "quantity 3, Enter"
type_text 3
key Return
hear "Lançar" # the hint of "OK" (a "push button" to Orca 43, a "button" to Orca 48)

next_step "OK: the item and the order are heard with the code"
cents=$((10#${price/,/} * 3))
total=$(printf '%d,%02d' $((cents / 100)) $((cents % 100)))
key Return
sentence="Item 1 lançado: $(field "$item" 4), quantidade 3, total $total. Itens 1, Valor Total $total."
hear "$sentence"
# A clerk who waits hears it: it reaches the speech server's module (which is given it in
# Latin-1, cut at the sentence's end).
poll 20 "the sentence to reach speech-dispatcher's module" \
    grep -qF "$(field "$item" 4), quantidade 3, total $total." "$synthesized"

next_step "F4: the observations say their limit"
key F4
hear_field Observações
hear "Limite de 100 caracteres"
key Escape
hear_field Item

if $announcements; then
    next_step "code 99999, Enter: not found, announced"
    type_text 99999
    key Return
    hear "Produto Nao Encontrado"
else
    next_step "code 99999, Enter, then where am I: not found"
    type_text 99999
    key Return
    hear "return"
    key KP_Enter # Orca's "where am I"
    hear "Produto Nao Encontrado"
fi
# The focus stayed on the code: the reader is not told it went to the quantity.
not_heard "Qtd"

next_step "F3: the search window, its typing panel and its rows"
key F3
hear "Busca de Produtos dialog"
type_text A
hear_field DESCRICAO
type_text RROZ
key Return
# The list takes the focus: "table with" its size to Orca 43, its first row's cells to Orca 48.
poll 20 "Orca to present the list" eval 'said "table with" || said "ARROZ"'
sleep 1
key Down
# The selected row is heard whole: among its cells the name, the brand and the price.
row_heard() {
    local line heard
    heard=$(spoken)
    while IFS= read -r line; do
        grep -qxF "$(field "$line" 4)." <<<"$heard" && grep -qxF "$(field "$line" 3)." <<<"$heard" &&
            grep -qxF "$(field "$line" 7)." <<<"$heard" && return 0
    done < <(grep -a '^34|[^|]*|[^|]*|ARROZ' "$dir/Itens.Txt" | tr -d '\r' | iconv -f WINDOWS-1252 -t UTF-8)
    return 1
}
poll 20 "Orca to read a row with its name, brand and price" row_heard
key Escape
hear "Pedidos Torvel" # "frame" too to Orca 43
hear_field Item

next_step "Excluir Item on the only row, from its menu: the deletion and the empty order"
xdotool mousemove --window "$main" 200 198 click 3 # the menu of the first row of the items
key Up # from no item, the last one: one key, whatever the reader has caught up with
hear "Excluir Item"
key Return
# Announced, or read with the code field as the focus comes back to it from the menu.
hear "Item 1 excluído. Itens 0, Valor Total 0,00."

next_step "done"
cp "$orca_log" "$artifacts/orca-debug.log"
stop_process "$app_pid"
app_pid=
echo "screen_reader: passed: Orca heard the lookup, the entered item, the code not found, the search rows and the refusal box; utterances in $utterances"
