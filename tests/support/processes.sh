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
