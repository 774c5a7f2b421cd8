#!/bin/bash
# Page 1's working procedure against the stand-in, as an installer meets it: one click on
# "&J 开始创建" per process (the first click of a run is the one a user makes), the real window
# and message box under Xvfb, from the click until the box is on screen (median of five
# processes, each a fresh database), beside FreeTDS's tsql sending the same RESTORE statement; on
# the shipped vqdata and on a backup of about 100 MB. Also the longest time the UI thread went
# without handling an event, up to the box. Not a test: it prints figures. Goal: longest stall
# under 100 ms.
# Usage: scripts/bench-create.sh [build-dir]   (an unsanitised build; needs tsql from freetds-bin
# and xvfb-run)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/standin-lib.sh"

BUILD=${1:-build}
BIN="$BUILD/standin/sqlserver-standin"
DRIVER="$BUILD/bench/bench_create"
VQDATA="$BUILD/data/vqdata"
[ -x "$BIN" ] && [ -x "$DRIVER" ] && [ -f "$VQDATA" ] ||
    { echo "build sqlserver-standin, bench_create and backups first" >&2; exit 1; }
RUNS=5

standin_start "$BIN"

sql() { standin_tsql '' <<<"$1"; } # one batch as the tool's login (sa, empty password)

# Two working directories as the tool sees them: data/vqdata in each.
mkdir -p "$WORK/small/data" "$WORK/big/data"
cp "$VQDATA" "$WORK/small/data/vqdata"
# About 100 MB with the backup's logical names.
sql "$(big_backup_batch hotel_data hotel_log "$WORK/big/data/vqdata")
drop database big" >/dev/null
[ -f "$WORK/big/data/vqdata" ] || { echo "the 100 MB backup was not made" >&2; exit 1; }

for tag in small big; do
    cur="$WORK/$tag"
    # tsql: the same seventeen pieces the tool sends.
    times=()
    for i in $(seq $RUNS); do
        db="tsql_${tag}_$i"
        dir="$WORK/files_tsql_$tag"
        mkdir -p "$dir"
        stmt="restore database $db from disk='$cur\\data\\vqdata'   WITH MOVE 'hotel_data' TO '$dir\\${db}_data',  MOVE 'hotel_log' TO '$dir\\${db}_log' "
        start=$(now_ms)
        sql "$stmt" >/dev/null
        end=$(now_ms)
        [ -f "$dir/${db}_data" ] || { echo "tsql restore of $tag failed" >&2; exit 1; }
        times+=($((end - start)))
        sql "drop database $db" >/dev/null
    done
    tsql_ms=$(printf '%s\n' "${times[@]}" | median)

    # The tool: one process per click; the driver prints "ms stall prompt".
    out=""
    for i in $(seq $RUNS); do
        out+="$(cd "$cur" && xvfb-run -a -s "-screen 0 1280x1024x24" "$OLDPWD/$DRIVER" \
            "127.0.0.1,$PORT" "$cur" "$WORK/files_tool_$tag" "bench_${tag}_$i")"$'\n'
    done
    out=${out%$'\n'}
    if grep -v ' 数据库创建成功!$' <<<"$out" | grep -q .; then
        echo "a tool run did not succeed:" >&2; echo "$out" >&2; exit 1
    fi
    tool_ms=$(awk '{print $1}' <<<"$out" | median)
    gap=$(awk 'BEGIN { m = 0 } $2 > m { m = $2 } END { print m }' <<<"$out")
    for i in $(seq $RUNS); do sql "drop database bench_${tag}_$i" >/dev/null; done
    size=$(stat -c %s "$cur/data/vqdata")
    ratio=$(awk -v t="$tool_ms" -v s="$tsql_ms" 'BEGIN { printf "%.2f", (s > 0 ? t / s : 0) }')
    name=$([ $tag = small ] && echo vqdata || echo 100MB)
    printf '%-7s %10d bytes  tool click-to-prompt %5d ms  tsql RESTORE %5d ms  ratio %s  longest UI stall %d ms\n' \
        "$name" "$size" "$tool_ms" "$tsql_ms" "$ratio" "$gap"
done
