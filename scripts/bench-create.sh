#!/bin/bash
# Page 1's working procedure, headless, against the stand-in: from the click on "&J 开始创建" to
# the final prompt (median of five runs, each a fresh database), beside FreeTDS's tsql sending
# the same RESTORE statement; on the shipped vqdata and on a backup of about 100 MB. Also the
# longest gap between two ticks of a 10 ms timer on the UI thread during the 100 MB runs.
# Not a test: it prints figures. Goals: click-to-prompt <= 1.2 x tsql; longest gap < 100 ms.
# Usage: scripts/bench-create.sh [build-dir]   (an unsanitised build; needs tsql from freetds-bin)
set -euo pipefail

BUILD=${1:-build}
BIN="$BUILD/standin/sqlserver-standin"
DRIVER="$BUILD/tests/pages/creation/bench_create"
VQDATA="$BUILD/data/vqdata"
[ -x "$BIN" ] && [ -x "$DRIVER" ] && [ -f "$VQDATA" ] ||
    { echo "build sqlserver-standin, bench_create and backups first" >&2; exit 1; }
RUNS=5

WORK=$(mktemp -d)
SERVER_PID=
cleanup() {
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT

mkfifo "$WORK/ready"
"$BIN" --listen 127.0.0.1:0 --root "$WORK/root" >"$WORK/ready" 2>"$WORK/server.log" &
SERVER_PID=$!
read -r _ ADDRESS <"$WORK/ready"
PORT=${ADDRESS##*:}

sql() { # runs one batch as the tool's login (sa, empty password), prints what the server said
    printf '%s\ngo\nexit\n' "$1" | tsql -H 127.0.0.1 -p "$PORT" -U sa -P '' -o q 2>&1
}
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { sort -n | sed -n "$(( (RUNS + 1) / 2 ))p"; }

# Two working directories as the tool sees them: data/vqdata in each.
mkdir -p "$WORK/small/data" "$WORK/big/data"
cp "$VQDATA" "$WORK/small/data/vqdata"
# About 100 MB with the backup's logical names: a 1000-character row doubled to 2^17 rows.
ROW=$(head -c 1000 /dev/zero | tr '\0' 'x')
BATCH="create database big on (name = hotel_data, filename = '$WORK/root/big.mdf') log on (name = hotel_log, filename = '$WORK/root/big.ldf')
use big
create table t (id int, v varchar(1000))
insert into t values (1, '$ROW')"
for _ in $(seq 17); do BATCH="$BATCH
insert into t select id, v from t"; done
BATCH="$BATCH
use master
backup database big to disk = '$WORK/big/data/vqdata'
drop database big"
sql "$BATCH" >/dev/null
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

    # The tool: one click per run; the driver prints "run n ms gap prompt".
    out=$(cd "$cur" && QT_QPA_PLATFORM=offscreen "$OLDPWD/$DRIVER" "127.0.0.1,$PORT" "$cur" \
        "$WORK/files_tool_$tag" $RUNS "$tag")
    if grep -v ' 数据库创建成功!$' <<<"$out" | grep -q .; then
        echo "a tool run did not succeed:" >&2; echo "$out" >&2; exit 1
    fi
    tool_ms=$(awk '{print $3}' <<<"$out" | median)
    gap=$(awk 'BEGIN { m = 0 } $4 > m { m = $4 } END { print m }' <<<"$out")
    for i in $(seq $RUNS); do sql "drop database bench_${tag}_$i" >/dev/null; done
    size=$(stat -c %s "$cur/data/vqdata")
    ratio=$(awk -v t="$tool_ms" -v s="$tsql_ms" 'BEGIN { printf "%.2f", (s > 0 ? t / s : 0) }')
    name=$([ $tag = small ] && echo vqdata || echo 100MB)
    printf '%-7s %10d bytes  tool click-to-prompt %5d ms  tsql RESTORE %5d ms  ratio %s  longest UI gap %d ms\n' \
        "$name" "$size" "$tool_ms" "$tsql_ms" "$ratio" "$gap"
done
