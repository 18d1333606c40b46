#!/usr/bin/env bash
# Runs UniTorvel against the bundled reference order server on loopback: installs what is
# missing, builds, starts torvel-server with its demo data and opens the program.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target UniTorvel torvel-server

root=$(pwd)
config="$root/build/app/Config.Ini"
port=${TORVEL_PORT:-8080}
if [[ -f "$config" ]]; then
    echo "run: using the existing $config"
    servidor=$(sed -n 's/^[[:space:]]*SERVIDOR[[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1/Ip' "$config" | tr -d '\r' | head -n1)
    case "$servidor" in
        127.0.0.1:*|localhost:*) port=${servidor##*:} ;;
        "") echo "run: it names no SERVIDOR, so the program will call the default order server" ;;
        *) echo "run: it points the program at $servidor, not at the local server" ;;
    esac
else
    printf '[CONFIGURACAO]\r\nCRF=12.345.678/0001-95\r\nIDS=34 - TORVEL CDC BELVO\r\nSERVIDOR=127.0.0.1:%s\r\n' \
        "$port" >"$config"
    echo "run: wrote $config (store 34, document 12.345.678/0001-95, order server 127.0.0.1:$port)"
fi

mkdir -p build/run
cd build/run
"$root/build/server/torvel-server" --port "$port" --db torvel-server.db >server.log 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    grep -q listening server.log 2>/dev/null && break
    kill -0 $server 2>/dev/null || { cat server.log; echo "run: torvel-server did not start"; exit 1; }
    sleep 0.1
done
echo "run: $(head -n1 server.log); its log is build/run/server.log"

if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    # Nobody sees a virtual display: a screenshot of it, renewed every two seconds, shows the
    # program running.
    shot=build/run/screenshot.png
    echo "run: no display; starting under a virtual one (xvfb-run); a screenshot of the" \
        "program is written to $shot every two seconds; Ctrl+C ends it"
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        "$1" & app=$!
        while kill -0 $app 2>/dev/null; do
            sleep 2
            import -window root "png:$2.part" 2>/dev/null && mv -f "$2.part" "$2"
        done
        wait $app' shot "$root/build/app/UniTorvel" "$root/$shot"
    exit
fi
"$root/build/app/UniTorvel"
