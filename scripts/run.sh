#!/usr/bin/env bash
# Installs what is missing, builds, starts our SQL Server stand-in on loopback with a demo
# root, and opens the tool in a demo working directory; the stand-in stops when the tool closes.
#
#   demo/server   the stand-in's root (its master catalogue)
#   demo/work     the tool's working directory: data/vqdata, data/vqdatays, pbbook.ini
#
# The stand-in is not a database to keep data in: delete demo/ to start again from scratch.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

scripts/install-deps.sh
build=${VARNOSET_RUN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

server_root=$top/demo/server
work=$top/demo/work
mkdir -p "$server_root" "$work/data"
cp -f "$build/data/vqdata" "$build/data/vqdatays" "$work/data/"

# SQL Server's own port when it is free, so "127.0.0.1" alone reaches the stand-in.
start_standin() {
    local listen=$1
    coproc STANDIN { exec "$build/standin/sqlserver-standin" --listen "$listen" --root "$server_root"; }
    local line=""
    read -r -t 15 line <&"${STANDIN[0]}" || true
    if [[ $line == ready\ * ]]; then
        address=${line#ready }
        return 0
    fi
    kill "$STANDIN_PID" 2>/dev/null || true
    wait "$STANDIN_PID" 2>/dev/null || true
    return 1
}
address=""
start_standin 127.0.0.1:1433 || start_standin 127.0.0.1:0 || { echo "the stand-in did not start" >&2; exit 1; }
trap 'kill "$STANDIN_PID" 2>/dev/null || true; wait "$STANDIN_PID" 2>/dev/null || true' EXIT
port=${address##*:}
server=127.0.0.1
[ "$port" != 1433 ] && server="127.0.0.1,$port"
echo "stand-in listening on $address (server name for the tool: $server)"

if [ ! -f "$work/pbbook.ini" ]; then
    printf '[database]\r\nDBMS=MSS Microsoft SQL Server 7.x\r\nDatabase=hotelvq\r\nUserId=\r\nLogPassword=\r\nServerName=%s\r\nLogId=SA\r\nLock=\r\nDBParm=\r\n' \
        "$server" > "$work/pbbook.ini"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "no display: set DISPLAY (for example run Xvfb :1 & and DISPLAY=:1)" >&2
fi
cd "$work"
"$top/$build/app/varnoset" || status=$?
exit "${status:-0}"
