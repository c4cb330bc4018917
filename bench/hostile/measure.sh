#!/usr/bin/env bash
# Peak memory and processor time of the headless runner against hostile devices.
#   bench/hostile/measure.sh [path/to/opos-printer-test]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../../build/opos-printer-test}
python3 "$here/flood_printer.py" 9199 &
server=$!
trap 'kill $server' EXIT
sleep 0.5
for script in zero urandom flood; do
    start=$(date +%s.%N)
    /usr/bin/time -f "$script: peak %M kB, user %U s, system %S s, wall %e s" \
        "$bin" --run "$here/$script.txt" >"/tmp/hostile-$script.log" 2>"/tmp/hostile-$script.time"
    tail -1 "/tmp/hostile-$script.time"
done
