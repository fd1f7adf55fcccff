#!/usr/bin/env bash
# Runs one command on a fresh mount of the latency mirror, so that no run
# finds the kernel's caches of the mount warm:
#   on_fresh_mount.sh MIRROR SOURCE MOUNTPOINT LATENCY_US COMMAND [ARG...]
# The command's output goes to /dev/null; the mount is gone afterwards.
set -uo pipefail
mirror=$1 source=$2 point=$3 latency=$4
shift 4
"$mirror" "$source" "$point" --latency-us "$latency" 2>/dev/null &
pid=$!
for _ in $(seq 1000); do
  mountpoint -q "$point" && break
  sleep 0.005
done
"$@" >/dev/null 2>&1
fusermount3 -u "$point"
wait "$pid"
