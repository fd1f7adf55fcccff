#!/usr/bin/env bash
# Builds the Debian package: scripts/package.sh [BUILD_DIR] [OUT_DIR]
# (default build/ and the checkout's root) makes tessaly_VERSION_ARCH.deb.
#
# The packages of scripts/packages.txt are installed first. An existing
# build folder is reused (only what changed is built); without one it is
# configured without the tests. Everything the build installs goes
# into the package (cmake --install), so a program or file given an install
# rule is packaged without a change here; Depends is computed by
# dpkg-shlibdeps from every ELF file installed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
out=$(realpath -m "${2:-$root}")
umask 022

bash "$root/scripts/setup.sh" >&2
if [ ! -f "$build/CMakeCache.txt" ]; then
  bash "$root/scripts/build.sh" "$build" -DTESSALY_TESTS=OFF >&2
else
  # Configured again, so that tools installed since (scdoc, rsvg-convert)
  # are found; only what changed is built.
  cmake -S "$root" -B "$build" >/dev/null
  cmake --build "$build" -j"$(nproc)" >&2
fi
# shellcheck source=/dev/null
. "$build/package-info"  # version, release_date, app_id (written by CMake)
arch=$(dpkg --print-architecture)
maintainer="Tessaly developers <developers@tessaly.org>"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/debian/tessaly  # where dpkg-shlibdeps expects a package's files
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null

# Programs and libraries: stripped as Debian's helpers strip them.
elf=()
while IFS= read -r -d '' f; do
  if readelf -h "$f" >/dev/null 2>&1; then
    strip --strip-unneeded --remove-section=.comment --remove-section=.note "$f"
    elf+=("${f#"$work"/}")  # relative, as dpkg-shlibdeps wants them
  fi
done < <(find "$stage" -type f -print0 | sort -z)
[ ${#elf[@]} -gt 0 ] || {
  echo "package.sh: the build installed no program" >&2
  exit 1
}

# Documentation: man pages compressed, copyright, and the changelog of a
# native package.
find "$stage/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9n {} +
doc=$stage/usr/share/doc/tessaly
mkdir -p "$doc"
install -m 0644 "$root/dist/debian/copyright" "$doc/copyright"
{
  printf 'tessaly (%s) unstable; urgency=medium\n\n' "$version"
  printf '  * Release %s.\n\n' "$version"
  printf ' -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -R -d "$release_date")"
} | gzip -9n >"$doc/changelog.gz"
chmod 0644 "$doc/changelog.gz"

# Depends: the packages of the shared libraries the programs link
# (dpkg-shlibdeps finds the package's root by its DEBIAN folder).
mkdir -p "$stage/DEBIAN"
printf 'Source: tessaly\n\nPackage: tessaly\nArchitecture: any\n' >"$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O "${elf[@]/#/-e}" 2>"$work/shlibdeps.log" | sed -n 's/^shlibs:Depends=//p') || {
  cat "$work/shlibdeps.log" >&2
  exit 1
}
grep -v 'binaries-without-dependency-information' "$work/shlibdeps.log" >&2 || true

(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
{
  printf 'Package: tessaly\n'
  printf 'Version: %s\n' "$version"
  printf 'Architecture: %s\n' "$arch"
  printf 'Maintainer: %s\n' "$maintainer"
  printf 'Installed-Size: %s\n' "$(du -sk --exclude=DEBIAN "$stage" | cut -f1)"
  printf 'Depends: %s\n' "$depends"
  printf 'Recommends: poppler-utils, catdoc, xdg-utils\n'
  printf 'Section: utils\n'
  printf 'Priority: optional\n'
  printf 'Description: %s\n' "$(cat "$root/dist/debian/description")"
} >"$stage/DEBIAN/control"
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$out"
deb=$out/tessaly_${version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "$deb"
