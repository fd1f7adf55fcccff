#!/usr/bin/env bash
# Checks the Debian package as CI does: scripts/package-check.sh [BUILD_DIR]
# Builds it from the build folder (reused), runs lintian, desktop-file-validate,
# appstreamcli and groff over what it holds, unpacks it into a scratch root
# and runs `tessaly --version` and a console search from there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
  echo "package-check: $*" >&2
  failed=1
}

deb=$(bash "$root/scripts/package.sh" "$build" "$work")
echo "package-check: $(basename "$deb")"

# lintian: no error and no warning; its notes (I:) are shown, and the README
# explains the ones that remain.
lintian --tag-display-limit 0 --display-info "$deb" 2>&1 | grep -v 'running with root privileges' >"$work/lintian.txt" || true
cat "$work/lintian.txt"
if grep -qE '^[EW]: ' "$work/lintian.txt"; then fail "lintian reports errors or warnings"; fi

root_fs=$work/root
dpkg -x "$deb" "$root_fs"
. "$build/package-info"
share=$root_fs/usr/share

desktop-file-validate "$share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"
for page in "$share"/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -ww -z 2>&1) || true
  [ -z "$warnings" ] || fail "groff -man -ww: $(basename "$page"): $warnings"
done
for program in tessaly ravelt htmltext pptext; do
  [ -f "$share/man/man1/$program.1.gz" ] || fail "no man page for $program"
done
for size in 16 32 48 64 128 256; do
  [ -f "$share/icons/hicolor/${size}x$size/apps/$app_id.png" ] || fail "no ${size}px icon"
done
# bash completion as bash-completion loads it: the words of --in.
words=$(bash -c '. /usr/share/bash-completion/bash_completion && . "$1" &&
  COMP_WORDS=(tessaly --search --in A) COMP_CWORD=3 COMP_LINE="tessaly --search --in A" COMP_POINT=23 &&
  _tessaly tessaly A --in && echo "${COMPREPLY[*]}"' \
  _ "$share/bash-completion/completions/tessaly" 2>&1) || true
[ "$words" = "Author" ] || fail "bash completion of 'tessaly --search --in A' gave '$words'"

# The programs as installed: the version CMake set, and a search.
got=$("$root_fs/usr/bin/tessaly" --version) || fail "tessaly --version failed"
[ "$got" = "tessaly $version" ] || fail "tessaly --version says '$got', the build '$version'"
mkdir -p "$work/tree/sub"
echo "quarterly results" >"$work/tree/sub/report.txt"
echo "nothing here" >"$work/tree/other.txt"
rows=$(cd / && PATH="$root_fs/usr/bin:$PATH" "$root_fs/usr/bin/tessaly" --search -l "$work/tree" -c quarterly --rows) ||
  fail "tessaly --search from the package failed"
case $rows in
  "report.txt	"*"	$work/tree/sub") ;;
  *) fail "tessaly --search from the package listed: $rows" ;;
esac

if [ $failed -ne 0 ]; then
  echo "package-check: FAILED" >&2
  exit 1
fi
echo "package-check: all checks hold"
