# Shell helpers of the tests that start the real programs (sourced, not run): checking for the
# tools they need, waiting on what the programs do, and ending the processes they started. The
# script that sources it defines fail <text> and sets app_pid while the program runs.

# require_tools <script name> <tool...>: stops the script when a tool is missing.
require_tools() {
    local name=$1 tool
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null || {
            echo "$name: $tool is missing (scripts/setup.sh installs it)" >&2
            exit 1
        }
    done
}

# A child that has ended stays a zombie until waited for: it counts as gone.
alive() { [[ "$(ps -o stat= -p "$1" 2>/dev/null)" == [^Z]* ]]; }

# Ends a process that the script started: politely, then for good.
stop_process() {
    local pid=$1 i
    [[ -n "$pid" ]] || return 0
    kill -TERM "$pid" 2>/dev/null || return 0
    for ((i = 0; i < 100; i++)); do
        alive "$pid" || break
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# poll <seconds> <what> <command...>: runs the command until it succeeds, or fails the test.
poll() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [[ -n "$app_pid" ]] && ! alive "$app_pid"; then
            fail "the program ended while waiting for $what"
        fi
        ((SECONDS < deadline)) || fail "timed out after ${seconds}s waiting for $what"
        sleep 0.05
    done
}

# start_x_server <folder>: a bare X server on a display number it picks itself (its files in the
# folder); sets xvfb_pid and exports DISPLAY.
start_x_server() {
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$1/display" >/dev/null \
        2>"$1/xvfb.log" &
    xvfb_pid=$!
    poll 20 "the X server" test -s "$1/display"
    export DISPLAY=":$(head -1 "$1/display")"
}

# start_order_server <seconds> <torvel-server> <folder> [option...]: the order server on a free
# loopback port over <folder>/server.db, its output and log in the folder; waits up to <seconds>
# for it to listen; sets server_pid and address ("127.0.0.1:<port>").
start_order_server() {
    local seconds=$1 exe=$2 folder=$3
    shift 3
    "$exe" --port 0 --db "$folder/server.db" "$@" >"$folder/server.out" 2>"$folder/server.log" &
    server_pid=$!
    poll "$seconds" "the order server" grep -qs '^torvel-server listening on ' "$folder/server.out"
    address=$(sed -n '1s/^torvel-server listening on //p' "$folder/server.out" | tr -d '\r')
}

# stop_started: ends what the script started (app_pid, server_pid, xvfb_pid), the program first.
stop_started() {
    stop_process "$app_pid"
    stop_process "$server_pid"
    stop_process "$xvfb_pid"
}

# start_work <name>: a fresh folder for the run in $work, with a private runtime folder for the
# programs; at exit what the script started is ended and the folder removed (read-only parts
# too).
start_work() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/torvel-$1-XXXXXX")
    mkdir -m 700 "$work/runtime"
    export XDG_RUNTIME_DIR=$work/runtime
    xvfb_pid= server_pid= app_pid=
    trap 'stop_started; chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"' EXIT
}
