#!/usr/bin/env bash
# The tree that `cmake --install` makes, checked as a store's machine would see it: exactly the
# programs, menu entry, icons, metainfo, manual pages and copyright, all valid; then the installed
# program, started by its menu entry's command on a bare X server with temporary home folders:
# the first run writes Config.Ini in the user's configuration folder; a machine-wide Config.Ini is
# read while the user has none (the panel stays hidden and the catalogue lands in the data
# folder), never written, and the user's own file wins over it.
#
# usage: installed_tree.sh <build dir> <version> <artifact dir>
set -euo pipefail

build=$1
version=$2
artifacts=$3
id=example.torvel.UniTorvel

export LC_ALL=C
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE XDG_CONFIG_HOME XDG_DATA_HOME

source "$(dirname "$0")/../support/processes.sh"
require_tools installed_tree Xvfb xdotool xwininfo import identify desktop-file-validate appstreamcli

start_work install
prefix=$work/prefix
mkdir -p "$artifacts" "$work/elsewhere"
rm -f "$artifacts"/*

step() { echo "installed_tree: $*"; }
fail() {
    echo "installed_tree: FAILED: $*" >&2
    [[ -n "${DISPLAY:-}" ]] && import -window root "$artifacts/failure.png" 2>/dev/null || true
    cp "$work"/*.log "$artifacts/" 2>/dev/null || true
    (cd "$work" && find . -path ./prefix -prune -o -print) >"$artifacts/failure-files.txt" 2>&1 || true
    exit 1
}
file_is() { [[ -f "$1" ]] && [[ "$(od -An -v -tx1 "$1")" == "$(printf '%s' "$2" | od -An -v -tx1)" ]]; }
empty_dir() { [[ -d "$1" && -z "$(ls -A "$1")" ]]; }

# --- The tree. ------------------------------------------------------------------------------
step "cmake --install into $prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "cmake --install failed"
expected="bin/UniTorvel
bin/torvel-server
share/applications/$id.desktop
share/doc/unitorvel/changelog.Debian.gz
share/doc/unitorvel/copyright"
for size in 128 16 24 256 32 48 64; do
    expected+=$'\n'"share/icons/hicolor/${size}x$size/apps/$id.png"
done
expected+="
share/icons/hicolor/scalable/apps/$id.svg
share/man/man1/UniTorvel.1.gz
share/man/man1/torvel-server.1.gz
share/metainfo/$id.metainfo.xml"
found=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort)
[[ "$found" == "$expected" ]] || fail "the installed tree holds:"$'\n'"$found"
for size in 16 24 32 48 64 128 256; do
    [[ "$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png")" == \
        "${size}x$size" ]] || fail "the ${size}x$size icon has another size"
done

desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
desktop-file-validate "$desktop" >"$work/desktop.log" 2>&1 || fail "desktop-file-validate: $(cat "$work/desktop.log")"
appstreamcli validate --no-net "$metainfo" >"$work/metainfo.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/metainfo.log")"
grep -q "<release version=\"$version\" date=\"[0-9-]*\"/>" "$metainfo" ||
    fail "the metainfo's release list does not name $version"
grep -q "^License: Expat" "$prefix/share/doc/unitorvel/copyright" || fail "the copyright file names no licence"
# The manual page describes every option that --help lists.
man_text=$(gzip -dc "$prefix/share/man/man1/torvel-server.1.gz" | sed 's/\\-/-/g')
for option in $("$prefix/bin/torvel-server" --help | grep -oE -- '--[a-z-]+' | sort -u); do
    grep -qF -- "$option" <<<"$man_text" || fail "the manual page of torvel-server lacks $option"
done
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ]] || fail "no icon named $icon"
[[ -x "$prefix/bin/$exec_line" ]] || fail "the entry's Exec ($exec_line) is not an installed program"
step "tree, desktop entry, metainfo and manual page are valid"

# --- The installed program. -----------------------------------------------------------------
start_x_server "$work"

start_order_server 20 "$prefix/bin/torvel-server" "$work" --quiet

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1; }
has_focus() { [[ "$(xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }
message_box() { xdotool search --all --onlyvisible --pid "$app_pid" --name '^UniTorvel$' 2>/dev/null | head -1; }

# Started as the menu starts it: the entry's command found on PATH, in a folder of no meaning.
launch_program() { # <log> <environment assignments...>
    local log=$1
    shift
    (cd "$work/elsewhere" && exec env PATH="$prefix/bin:$PATH" "$@" "$exec_line" >"$work/$log" 2>&1) &
    app_pid=$!
}
wait_main_window() {
    poll 30 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
    xdotool windowfocus "$main"
    poll 10 "the main window to take the focus" has_focus "$main"
}
start_program() { # <log> <environment assignments...>
    launch_program "$@"
    poll 30 "the main window" eval 'main=$(visible "^Pedidos Torvel") && [[ -n "$main" ]]'
    xdotool windowfocus "$main"
    poll 10 "the main window to take the focus" has_focus "$main"
}
stop_program() {
    stop_process "$app_pid"
    app_pid=
}
refused() {
    poll 30 "the refusal box" eval 'box=$(message_box) && [[ -n "$box" ]]'
    xdotool windowfocus "$box"
    poll 10 "the box to take the focus" has_focus "$box"
    xdotool key Return
    poll 10 "the box to close" eval '[[ -z "$(message_box)" ]]'
}

step "first run, a home folder with nothing in it"
home=$work/home
mkdir "$home"
start_program first-run.log HOME="$home" XDG_CONFIG_DIRS="$work/no-such-dir"
xdotool type --delay 15 12345678000195
xdotool mousemove --window "$main" 391 309 click 1 # "Salvar"
user_config=$'[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\n'
poll 10 "Config.Ini in ~/.config/UniTorvel" file_is "$home/.config/UniTorvel/Config.Ini" "$user_config"
refused # the default order server cannot be reached from here
stop_program
empty_dir "$home/.local/share/UniTorvel" || fail "the data folder is missing or holds files"
empty_dir "$work/elsewhere" || fail "the program wrote into its start folder: $(ls -A "$work/elsewhere")"
[[ "$(ls "$prefix/bin")" == $'UniTorvel\ntorvel-server' ]] || fail "the program wrote beside itself"

step "a machine-wide Config.Ini and a user without one"
etc=$work/etc
mkdir -p "$etc/UniTorvel"
machine_config=$'[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\nSERVIDOR='"$address"$'\r\n'
printf '%s' "$machine_config" >"$etc/UniTorvel/Config.Ini"
chmod a-w "$etc/UniTorvel/Config.Ini" "$etc/UniTorvel"
config_home=$work/second/config data_home=$work/second/data
start_program machine.log XDG_CONFIG_HOME="$config_home" XDG_DATA_HOME="$data_home" \
    XDG_CONFIG_DIRS="$work/no-such-dir:$etc" HOME="$work/no-such-home"
# The store check passed during start-up, so no panel asked for anything and the catalogue is
# already written.
[[ -z "$(message_box)" ]] || fail "a box is shown"
poll 10 "the catalogue in the data folder" test -s "$data_home/UniTorvel/Itens.Txt"
grep -aq '^34|' "$data_home/UniTorvel/Itens.Txt" || fail "Itens.Txt holds no product of store 34"
import -window "$main" "$artifacts/installed.png" 2>/dev/null || true
stop_program
empty_dir "$config_home/UniTorvel" || fail "the user's configuration folder is missing or holds files"
file_is "$etc/UniTorvel/Config.Ini" "$machine_config" || fail "the machine-wide file changed"
[[ ! -e "$work/no-such-home" ]] || fail "the program made a home folder"

step "the user's own Config.Ini wins over the machine-wide one"
# With one store, the store check runs while the window is being made, before it is shown; the
# user's file names the default order server, which cannot be reached from here.
launch_program own.log HOME="$home" XDG_CONFIG_DIRS="$etc"
refused
wait_main_window
stop_program
empty_dir "$home/.local/share/UniTorvel" || fail "the catalogue came from the machine-wide server"
file_is "$home/.config/UniTorvel/Config.Ini" "$user_config" || fail "the user's Config.Ini changed"

step "passed"
