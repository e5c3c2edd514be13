#!/usr/bin/env bash
# Load test of kalvuno-service under wrk on the same machine (2 threads, 8
# keep-alive connections): searches per second and p50/p99 latency for the
# unfiltered random, newest and rank orders and for one- and two-character
# Japanese artist filters, for each store and catalog size; then a mixed
# soak run that shows how much the service's memory grows after warm-up.
#
#   bench/service_load.sh [BUILD] [OLD_BUILD]
#
# OLD_BUILD, a build of an earlier version, is measured on the same SQLite
# catalogs in the same run. Environment: SIZES (default "100000 1000000"),
# STORES ("sqlite postgresql"), DURATION per query (10 s), SOAK (300 s, 0 to
# skip). PostgreSQL runs on a throw-away server (scripts/pg-scratch.sh), or
# on PG_URL's server, where a database s<SIZE> that already exists is taken
# as it is (seeding a million songs takes a while).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-build}")
old="${2:-}"
[ -n "$old" ] && old=$(realpath "$old")
sizes="${SIZES:-100000 1000000}"
stores="${STORES:-sqlite postgresql}"
duration="${DURATION:-10}"
soak="${SOAK:-300}"
dir=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  "$here/../scripts/pg-scratch.sh" stop "$dir/pg" >/dev/null 2>&1 || true
  rm -rf "$dir"
}
trap cleanup EXIT

# 山 is %8ER in CP932, 山田 %8ER%93c.
queries=("Sort=Random" "Sort=New" "Sort=Rank0"
         "Sort=Random&Artist=%8ER" "Sort=Random&Artist=%8ER%93c"
         "Sort=New&Artist=%8ER" "Sort=New&Artist=%8ER%93c" "Sort=Rank0&Artist=%8ER")

start_service() { # binary db
  "$1/kalvuno-service" --db "$2" --port 0 --no-demo >"$dir/log" 2>&1 &
  pid=$!
  for _ in $(seq 1 600); do grep -q listening "$dir/log" && break; sleep 0.1; done
  base=$(grep -o 'http://[0-9.:]*' "$dir/log")/kalvuno/center2.fws/search
}
stop_service() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""; }
rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$pid/status"; }

measure() { # label
  for q in "${queries[@]}"; do
    out=$(wrk -t 2 -c 8 -d "${duration}s" --latency "$base?Max=10&$q&Open=1")
    rps=$(echo "$out" | awk '/Requests\/sec/ {print $2}')
    p50=$(echo "$out" | awk '$1 == "50%" {print $2}')
    p99=$(echo "$out" | awk '$1 == "99%" {print $2}')
    printf '| %-30s | %-30s | %10s | %-8s | %-8s | %8s |\n' "$1" "$q" "$rps" "$p50" "$p99" "$(rss_kb)"
  done
}

soak_run() { # label
  [ "$soak" -gt 0 ] || return 0
  {
    echo 'paths = {'
    for q in "${queries[@]}"; do echo "  \"${base#http://*/}?Max=10&$q&Open=1\","; done
    echo '}'
    echo 'request = function() return wrk.format("GET", "/" .. paths[math.random(#paths)]) end'
  } >"$dir/mixed.lua"
  wrk -t 2 -c 8 -d 20s -s "$dir/mixed.lua" "$base" >/dev/null # warm-up
  before=$(rss_kb)
  wrk -t 2 -c 8 -d "${soak}s" -s "$dir/mixed.lua" "$base" >"$dir/soak"
  after=$(rss_kb)
  echo "$1: memory $before kB after warm-up, $after kB after ${soak} s of mixed searches" \
       "($(awk -v a="$before" -v b="$after" 'BEGIN {printf "%+.1f", (b - a) * 100 / a}') %)," \
       "$(awk '/Requests\/sec/ {print $2}' "$dir/soak") req/s" >>"$dir/soak-summary"
}

echo "| store, songs, binary | query | req/s | p50 | p99 | RSS kB |"
echo "|---|---|---:|---|---|---:|"
pg_url="${PG_URL:-}"
for store in $stores; do
  for size in $sizes; do
    if [ "$store" = sqlite ]; then
      db="$dir/catalog-$size.db"
      "$build/kalvuno_bench_service_seed" "$db" "$size" >/dev/null
    else
      if [ -z "$pg_url" ]; then pg_url=$("$here/../scripts/pg-scratch.sh" start "$dir/pg"); fi
      db="${pg_url%/*}/s$size"
      if ! psql -X -q "$db" -c "SELECT 1" >/dev/null 2>&1; then
        psql -X -q "$pg_url" -c "CREATE DATABASE s$size"
        "$build/kalvuno_bench_service_seed" "$db" "$size" >/dev/null
      fi
    fi
    if [ "$store" = sqlite ] && [ -n "$old" ]; then
      start_service "$old" "$db"
      measure "$store $size old"
      stop_service
    fi
    start_service "$build" "$db"
    measure "$store $size new"
    [ "$size" = "$(echo $sizes | awk '{print $1}')" ] && soak_run "$store $size"
    stop_service
    [ "$store" = sqlite ] && rm -f "$db"*
  done
done
[ -f "$dir/soak-summary" ] && cat "$dir/soak-summary"
exit 0
