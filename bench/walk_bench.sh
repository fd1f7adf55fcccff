#!/usr/bin/env bash
# Folder-walk benchmark, on a local disk and through a network drive.
#
# Local: a generated tree of 200,000 entries, and a tree of the same size
# whose 19 names recur in every folder; every name with its size
# (`-t '*' --rows`) against `fdfind -HI` (names only; its default threads
# and -j1) and `find -printf` (names and sizes), then the default types
# against fdfind with the same ten extensions.
#
# Network: a 20,000-entry tree through the latency mirror (bench/fusemirror,
# libfuse 3), every request waiting LATENCIES microseconds, attributes
# cached for 1 s; each run gets a fresh mount, so no run starts warm.
#
# Commands alternate round by round (bench/alternate.py); the tables show
# medians. Then the result store's time for growing row counts.
#
#   [ROUNDS=5] [FUSE_ROUNDS=3] [ENTRIES=200000] [FUSE_ENTRIES=20000] [LATENCIES="500 1000 2000"] \
#   [OLD=DIR] [PARTS="local network store"] bash bench/walk_bench.sh [BUILD_DIR]
#
# BUILD_DIR holds bin/tessaly, bin/latency_mirror and bin/bench_store_time
# (configured with -DTESSALY_BENCH=ON; made as a Release build when
# missing). OLD, when given, is a build of an earlier revision whose
# bin/tessaly is timed beside it. Needs fd-find and fuse3 (installed here
# when missing: they are benchmark tools, not build or test dependencies).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-build-bench}")
rounds=${ROUNDS:-5}
fuse_rounds=${FUSE_ROUNDS:-3}
entries=${ENTRIES:-200000}
fuse_entries=${FUSE_ENTRIES:-20000}
latencies=${LATENCIES:-500 1000 2000}
old=${OLD:+$(realpath -m "$OLD")/bin/tessaly}
parts=" ${PARTS:-local network store} "

if ! command -v fdfind >/dev/null || ! command -v fusermount3 >/dev/null; then
  apt-get install -y fd-find fuse3 libfuse3-dev >/dev/null
fi
[ -x "$build/bin/tessaly" ] && [ -x "$build/bin/latency_mirror" ] && [ -x "$build/bin/bench_store_time" ] || {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSALY_BENCH=ON -DTESSALY_UI=OFF >/dev/null
  cmake --build "$build" -j2 --target tessaly latency_mirror bench_store_time
}
tessaly=$build/bin/tessaly
mirror=$build/bin/latency_mirror
work=$(mktemp -d /tmp/tessaly-walk-bench-XXXXXX)
cleanup() {
  mountpoint -q "$work/mnt" 2>/dev/null && fusermount3 -u "$work/mnt" || true
  rm -rf "$work"
}
trap cleanup EXIT

# make_tree DIR ENTRIES random|recurring
make_tree() {
  python3 - "$@" <<'PY'
import os, sys, random
random.seed(7)
root, entries, kind = sys.argv[1], int(sys.argv[2]), sys.argv[3]
os.makedirs(root)
exts = ["pdf", "doc", "txt", "jpg", "png", "c", "h", "html", "xls", "mp3", "docx", "ppt", "rtf", "o"]
same = ["README.md", "index.html", "Makefile", "main.c", "main.h", "notes.txt", "a.pdf", "b.pdf", "report.doc",
        "data.xls", "talk.ppt", "memo.rtf", "style.css", "app.js", "logo.png", "LICENSE", "setup.py",
        "changes.txt", "todo.htm"]
made = 0
folders = [root]
while made < entries:
    parent = random.choice(folders[-200:])
    d = os.path.join(parent, "dir%d" % made)
    os.mkdir(d); folders.append(d); made += 1
    for k in range(19):
        name = same[k] if kind == "recurring" else "file%d_%d.%s" % (made, k, random.choice(exts))
        with open(os.path.join(d, name), "w") as f:
            f.write("x" * random.randrange(0, 3000))
        made += 1
PY
}

load() { cut -d' ' -f1-3 /proc/loadavg; }
default_exts=(-e pdf -e doc -e rtf -e txt -e xls -e ppt -e htm -e odt -e ods -e odp)

echo "$(nproc) cores; load before: $(load)"
if [[ $parts == *" local "* ]]; then
make_tree "$work/tree" "$entries" random
make_tree "$work/same" "$entries" recurring
sync
echo "$rounds rounds"
for tree in tree same; do
  t=$work/$tree
  echo
  echo "Local tree ($tree names): $(find "$t" | wc -l) entries; every name with its size"
  cmds=("tessaly -t '*' --rows=$tessaly --search -l $t -t '*' --rows"
        "tessaly, one walking thread, --jobs 1=$tessaly --search -l $t -t '*' --rows --walk-threads 1 --jobs 1")
  [ -n "$old" ] && cmds+=("tessaly before (one-thread walk)=$old --search -l $t -t '*' --rows")
  cmds+=("fdfind -HI (names only)=fdfind -HI . $t"
         "fdfind -HI -j1=fdfind -HI -j1 . $t"
         "find -printf (names, sizes)=find $t -printf '%f\\t%s\\t%h\\n'")
  python3 "$root/bench/alternate.py" "$rounds" "${cmds[@]}"
done
t=$work/tree
echo
echo "Local tree: default types, no text"
cmds=("tessaly (default types)=$tessaly --search -l $t --rows")
[ -n "$old" ] && cmds+=("tessaly before=$old --search -l $t --rows")
cmds+=("fdfind -HI, the same ten extensions=fdfind -HI ${default_exts[*]} . $t")
python3 "$root/bench/alternate.py" "$rounds" "${cmds[@]}"
echo "load after: $(load)"
echo "rows: tessaly $("$tessaly" --search -l "$t" -t '*' --rows | wc -l), fdfind $(fdfind -HI . "$t" | wc -l)," \
     "find $(find "$t" -mindepth 1 | wc -l)"
rm -rf "$work/tree" "$work/same"
fi

if [[ $parts != *" network "* ]]; then
  :
elif [ ! -e /dev/fuse ]; then
  echo "no /dev/fuse: the network drive part is left out"
else
  make_tree "$work/net" "$fuse_entries" random
  mkdir -p "$work/mnt"
  fresh="bash $root/bench/fusemirror/on_fresh_mount.sh $mirror $work/net $work/mnt"
  m=$work/mnt
  for latency in $latencies; do
    echo
    echo "Network drive: $(find "$work/net" | wc -l) entries through the mirror, $latency us per request;" \
         "every name with its size; load before: $(load); $fuse_rounds rounds"
    cmds=("mount and unmount only=$fresh $latency true"
          "tessaly -t '*' --rows=$fresh $latency $tessaly --search -l $m -t '*' --rows"
          "tessaly, one walking thread, --jobs 1=$fresh $latency $tessaly --search -l $m -t '*' --rows --walk-threads 1 --jobs 1")
    [ -n "$old" ] && cmds+=("tessaly before (one-thread walk)=$fresh $latency $old --search -l $m -t '*' --rows")
    cmds+=("fdfind -HI (names only)=$fresh $latency fdfind -HI . $m"
           "fdfind -HI -j16=$fresh $latency fdfind -HI -j16 . $m"
           "find -printf (names, sizes)=$fresh $latency find $m -printf '%f\\t%s\\t%h\\n'")
    python3 "$root/bench/alternate.py" "$fuse_rounds" "${cmds[@]}"
    # Requests the server answered for one walk of each.
    for tool in "$tessaly --search -l $m -t '*' --rows" "fdfind -HI . $m" "find $m -printf '%f\\t%s\\t%h\\n'"; do
      "$mirror" "$work/net" "$m" --latency-us 0 2>"$work/requests" &
      pid=$!
      for _ in $(seq 500); do mountpoint -q "$m" && break; sleep 0.01; done
      eval "$tool" >/dev/null 2>&1 || true
      fusermount3 -u "$m"
      wait $pid || true
      echo "  $(basename "${tool%% *}"): $(tail -1 "$work/requests")"
    done
  done
fi

if [[ $parts == *" store "* ]]; then
  echo
  echo "Result store, names recurring in every folder:"
  "$build/bin/bench_store_time" 1600000
fi
