#!/usr/bin/env bash
# Load test of kalvuno-service under wrk on the same machine (2 threads, 8
# keep-alive connections): searches per second and p50/p99 latency for the
# unfiltered random, newest and rank orders and for one- and two-character
# Japanese artist filters, for each store and catalog size; on PostgreSQL,
# searches while a stream of plays comes in and how far the ranks lag behind
# it; then a mixed soak run that shows how much the service's memory grows
# after warm-up.
#
#   bench/service_load.sh [BUILD] [OLD_BUILD]
#
# OLD_BUILD, a build of an earlier version, is measured on the same catalogs
# in the same run, each query alternating with the new one. Environment:
# SIZES (default "100000 1000000"), STORES ("sqlite postgresql"), DURATION
# per query (10 s), RUNS of each query (3; the table shows the medians),
# PLAYS seconds of searches under plays (30, 0 to skip), SOAK (300 s, 0 to
# skip). PostgreSQL runs on a throw-away server (scripts/pg-scratch.sh), or
# on PG_URL's server, where a database s<SIZE> that already exists is taken
# as it is (seeding a million songs takes a while). The old build gets a copy
# of it, s<SIZE>_old, set back to schema version OLD_PG_SCHEMA (needed with
# OLD_BUILD on PostgreSQL; the later steps must only add what it ignores).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-build}")
old="${2:-}"
[ -n "$old" ] && old=$(realpath "$old")
sizes="${SIZES:-100000 1000000}"
stores="${STORES:-sqlite postgresql}"
duration="${DURATION:-10}"
runs="${RUNS:-3}"
plays="${PLAYS:-30}"
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
  : >"$dir/log"
  "$1/kalvuno-service" --db "$2" --port 0 --no-demo >>"$dir/log" 2>&1 &
  pid=$!
  for _ in $(seq 1 6000); do grep -q listening "$dir/log" && break; sleep 0.1; done
  host=$(grep -o 'http://[0-9.:]*' "$dir/log")
  base=$host/kalvuno/center2.fws/search
}
stop_service() { kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""; }
rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$pid/status"; }
median() { sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
# wrk's latency in milliseconds.
ms() { awk '{v = $1 + 0; if ($1 ~ /us$/) v /= 1000; else if ($1 ~ /[^m]s$/) v *= 1000; printf "%.2f\n", v}'; }

one_run() { # query -> "req/s p50 p99" (ms)
  local out
  out=$(wrk -t 2 -c 8 -d "${duration}s" --latency "$base?Max=10&$1&Open=1")
  echo "$(echo "$out" | awk '/Requests\/sec/ {print $2}') $(echo "$out" | awk '$1 == "50%" {print $2}' | ms)" \
       "$(echo "$out" | awk '$1 == "99%" {print $2}' | ms)"
}

measure() { # label binary db [old-label old-binary old-db]
  local results="$dir/results"
  : >"$results"
  for run in $(seq 1 "$runs"); do
    for who in new old; do
      if [ "$who" = old ]; then [ -n "${4:-}" ] || continue; start_service "$5" "$6"; else start_service "$2" "$3"; fi
      wrk -t 2 -c 8 -d 3s "$base?Max=10&Sort=Random&Open=1" >/dev/null # warm-up
      for q in "${queries[@]}"; do echo "$who $q $(one_run "$q")" >>"$results"; done
      stop_service
    done
  done
  for who in old new; do
    [ "$who" = new ] || [ -n "${4:-}" ] || continue
    label=$1; [ "$who" = old ] && label=$4
    for q in "${queries[@]}"; do
      rows=$(awk -v w="$who" -v q="$q" '$1 == w && $2 == q' "$results")
      printf '| %-28s | %-28s | %9s | %7s | %7s |\n' "$label" "$q" "$(echo "$rows" | awk '{print $3}' | median)" \
             "$(echo "$rows" | awk '{print $4}' | median)" "$(echo "$rows" | awk '{print $5}' | median)"
    done
  done
}

# Searches while play counts stream in through a second wrk; every half
# second, how many plays the ranks have not taken in yet.
under_plays() { # label db binary
  [ "$plays" -gt 0 ] || return 0
  local label=$1 db=$2 bin=$3
  start_service "$bin" "$db"
  psql -X -At "$db" -c "SELECT id FROM songs WHERE id <> '' ORDER BY random() LIMIT 2000" \
    | "$build/kalvuno_bench_service_plays" /kalvuno/center2.fws/mp3count 10 >"$dir/plays.lua"
  for q in "Sort=Random" "Sort=Rank0"; do
    wrk -t 1 -c 2 -d "$((plays + 4))s" -s "$dir/plays.lua" "$host" >"$dir/plays.out" &
    local player=$!
    sleep 2
    (for _ in $(seq 1 $((plays * 2))); do
       psql -X -At "$db" -c "SELECT (SELECT last_value FROM play_counter) - plays_seen FROM rank_state"
       sleep 0.5
     done) >"$dir/backlog" &
    local sampler=$!
    out=$(wrk -t 1 -c 6 -d "${plays}s" --latency "$base?Max=10&$q&Open=1")
    wait "$player" "$sampler"
    printf '| %-28s | %-12s | %9s | %7s | %7s | %7s | %5s / %5s |\n' "$label" "$q" \
           "$(echo "$out" | awk '/Requests\/sec/ {print $2}')" "$(echo "$out" | awk '$1 == "50%" {print $2}' | ms)" \
           "$(echo "$out" | awk '$1 == "99%" {print $2}' | ms)" "$(awk '/Requests\/sec/ {print $2}' "$dir/plays.out")" \
           "$(median <"$dir/backlog")" "$(sort -g "$dir/backlog" | tail -n 1)"
  done
  stop_service
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

echo "Medians of $runs runs of ${duration} s; latency in ms."
echo
echo "| store, songs, binary | query | req/s | p50 | p99 |"
echo "|---|---|---:|---:|---:|"
pg_url="${PG_URL:-}"
: >"$dir/plays-table"
for store in $stores; do
  for size in $sizes; do
    olddb=""
    if [ "$store" = sqlite ]; then
      db="$dir/catalog-$size.db"
      "$build/kalvuno_bench_service_seed" "$db" "$size" >/dev/null
      olddb=$db
    else
      if [ -z "$pg_url" ]; then pg_url=$("$here/../scripts/pg-scratch.sh" start "$dir/pg"); fi
      db="${pg_url%/*}/s$size"
      if ! psql -X -q "$db" -c "SELECT 1" >/dev/null 2>&1; then
        psql -X -q "$pg_url" -c "CREATE DATABASE s$size"
        "$build/kalvuno_bench_service_seed" "$db" "$size" >/dev/null
      fi
      if [ -n "$old" ]; then
        olddb="${pg_url%/*}/s${size}_old"
        if ! psql -X -q "$olddb" -c "SELECT 1" >/dev/null 2>&1; then
          start_service "$build" "$db" && stop_service # brings the schema up to date first
          psql -X -q "$pg_url" -c "CREATE DATABASE s${size}_old TEMPLATE s$size"
          psql -X -q "$olddb" -c "UPDATE schema_version SET version = ${OLD_PG_SCHEMA:?}" \
            -c "UPDATE rank_state SET week = -1"
        fi
      fi
    fi
    if [ -n "$old" ]; then
      measure "$store $size new" "$build" "$db" "$store $size old" "$old" "$olddb"
    else
      measure "$store $size new" "$build" "$db"
    fi
    if [ "$store" = postgresql ]; then
      [ -n "$old" ] && under_plays "$store $size old" "$olddb" "$old" >>"$dir/plays-table"
      under_plays "$store $size new" "$db" "$build" >>"$dir/plays-table"
    fi
    if [ "$size" = "$(echo $sizes | awk '{print $1}')" ]; then
      start_service "$build" "$db"
      soak_run "$store $size"
      stop_service
    fi
    [ "$store" = sqlite ] && rm -f "$db"*
  done
done
if [ -s "$dir/plays-table" ]; then
  echo
  echo "Searches (1 thread, 6 connections) while plays stream in (2 connections, 10 ms apart); plays the ranks had"
  echo "not taken in, sampled every 0.5 s (median / max)."
  echo
  echo "| store, songs, binary | query | req/s | p50 | p99 | plays/s | unranked |"
  echo "|---|---|---:|---:|---:|---:|---:|"
  cat "$dir/plays-table"
fi
[ -f "$dir/soak-summary" ] && echo && cat "$dir/soak-summary"
exit 0
