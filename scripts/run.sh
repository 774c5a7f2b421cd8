#!/usr/bin/env bash
# Installs what is missing, builds, starts our SQL Server stand-in on loopback with a demo
# root, and opens the tool in a demo working directory; the stand-in stops when the tool closes.
#
#   demo/server   the stand-in's root (its master catalogue)
#   demo/work     the tool's working directory: data/vqdata, data/vqdatays, pbbook.ini
#   demo/drive    where drive paths live: "d:\vqdata" is demo/drive/d/vqdata (for both programs)
#
# The stand-in is not a database to keep data in: delete demo/ to start again from scratch.
# Its sa password is empty, so it only ever listens on loopback addresses.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$(pwd)

scripts/install-deps.sh
build=${VARNOSET_RUN_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The tool, the stand-in and the backups only: the tests are scripts/test.sh's.
cmake --build "$build" -j"$(nproc)" --target varnoset sqlserver-standin backups

# A demo/ from an earlier run is kept, databases and pbbook.ini alike.
earlier_run=0
[ -d "$top/demo" ] && earlier_run=1
server_root=$top/demo/server
work=$top/demo/work
export VARNOSET_DRIVE_ROOT=$top/demo/drive
mkdir -p "$server_root" "$work/data" "$VARNOSET_DRIVE_ROOT"
cp -f "$build/data/vqdata" "$build/data/vqdatays" "$work/data/"

# Page 1 proposes this machine's name as the server; it leads to these addresses.
machine=$(hostname)
mapfile -t machine_addresses < <(getent ahostsv4 "$machine" 2>/dev/null | awk '{print $1}' | sort -u)
loopback=()
for a in "${machine_addresses[@]}"; do
    [[ $a == 127.* && $a != 127.0.0.1 ]] && loopback+=("$a")
done

# Starts the stand-in on the given HOST:PORT addresses; fills `served` from its "ready" lines.
served=()
standin_pid=
start_standin() {
    local args=() a line fd out=
    for a in "$@"; do args+=(--listen "$a"); done
    coproc STANDIN { exec "$build/standin/sqlserver-standin" "${args[@]}" --root "$server_root"; }
    # Bash unsets STANDIN and STANDIN_PID once the stand-in has ended (it may already have):
    # keep our own copies.
    standin_pid=${STANDIN_PID:-}
    fd=${STANDIN[0]:-}
    [ -n "$fd" ] && exec {out}<&"$fd"
    served=()
    if [ -n "$out" ] && read -r -t 15 line <&"$out" && [[ $line == ready\ * ]]; then
        served+=("${line#ready }")
        # One line per address; a stand-in that takes one address says it once.
        while ((${#served[@]} < $#)) && read -r -t 2 line <&"$out" && [[ $line == ready\ * ]]; do
            served+=("${line#ready }")
        done
        exec {out}<&-
        return 0
    fi
    [ -n "$out" ] && exec {out}<&-
    kill "$standin_pid" 2>/dev/null || true
    wait "$standin_pid" 2>/dev/null || true
    return 1
}
# SQL Server's own port when it is free, so the proposed name (or "127.0.0.1") alone reaches
# the stand-in. 127.0.0.1 comes last: a stand-in that keeps only one --listen keeps that one.
wanted=()
for a in "${loopback[@]}"; do wanted+=("$a:1433"); done
wanted+=(127.0.0.1:1433)
start_standin "${wanted[@]}" ||
    { ((${#wanted[@]} > 1)) && start_standin 127.0.0.1:1433; } ||
    start_standin 127.0.0.1:0 ||
    { echo "the stand-in did not start" >&2; exit 1; }
trap 'kill "$standin_pid" 2>/dev/null || true; wait "$standin_pid" 2>/dev/null || true' EXIT
echo "stand-in listening on ${served[*]}"

# Does the proposed name reach the stand-in? Only if every address it resolves to is served
# on port 1433.
name_works=1
((${#machine_addresses[@]} > 0)) || name_works=0
for a in "${machine_addresses[@]}"; do
    [[ " ${served[*]} " == *" $a:1433 "* ]] || name_works=0
done
port=${served[0]##*:}
server=127.0.0.1
[ "$port" != 1433 ] && server="127.0.0.1,$port"
if ((name_works)); then
    echo "page 1's proposed server name \"$machine\" reaches the stand-in"
else
    echo "type the server name \"$server\" on page 1 (\"$machine\" does not lead to the stand-in)"
fi
echo "drive paths live under $VARNOSET_DRIVE_ROOT (\"d:\\vqdata\" is $VARNOSET_DRIVE_ROOT/d/vqdata)"

if ((earlier_run)); then
    echo "demo/ holds an earlier run (its databases and pbbook.ini); delete demo/ to start again"
fi
if [ -f "$work/pbbook.ini" ]; then
    # ServerName of section [database], matched as Windows matches keys (any case, blanks
    # around the value ignored).
    kept=$(awk -F= '{ sub(/\r$/, "") }
        /^[ \t]*\[/ { section = tolower($0); gsub(/[][ \t]/, "", section); next }
        section == "database" && tolower($1) ~ /^[ \t]*servername[ \t]*$/ {
            sub(/^[^=]*=[ \t]*/, ""); sub(/[ \t]*$/, ""); print; exit }' "$work/pbbook.ini")
    # The names that reach the stand-in: each address served, with its port unless 1433.
    reaches=()
    for a in "${served[@]}"; do
        reaches+=("${a%:*},${a##*:}")
        [ "${a##*:}" = 1433 ] && reaches+=("${a%:*}")
    done
    ((name_works)) && reaches+=("$machine" "$machine,1433")
    if [[ " ${reaches[*],,} " != *" ${kept,,} "* ]]; then
        echo "pbbook.ini names the server \"$kept\"; on page 2 type \"127.0.0.1,$port\" as 服务器名称 before 测试连接"
    fi
fi
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
