# Shell helpers of the tests that start the real programs (sourced, not run): checking for the
# tools they need and ending the processes they started.

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
