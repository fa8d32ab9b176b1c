#!/usr/bin/env bash
# The Debian package of the committed tree: built with dpkg-buildpackage in a clone of its own (so
# that nothing uncommitted and no build folder of the checkout gets in), checked with lintian,
# which must report no error and no warning, then tested end to end without installing it
# (tests/e2e/package_e2e.sh). Every step has a time limit.
#   scripts/package.sh [OUT_DIR]   OUT_DIR: where to keep the .deb (default: nowhere)
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
out=${1:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/tallymate-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
git clone -q . "$work/tallymate"
version=$(dpkg-parsechangelog -l "$work/tallymate/debian/changelog" -S Version)
deb="$work/tallymate_${version}_$(dpkg --print-architecture).deb"

echo "Building the package in $work"
start=$SECONDS
if ! (cd "$work/tallymate" &&
  timeout 1800 env DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:-parallel=$(nproc)}" dpkg-buildpackage -us -uc -b) \
  >"$work/build.log" 2>&1; then
  tail -n 50 "$work/build.log" >&2
  echo "dpkg-buildpackage failed" >&2
  exit 1
fi
echo "Built ${deb##*/} in $((SECONDS - start)) s"

# --pedantic shows every tag; only errors and warnings fail.
timeout 600 lintian --fail-on error,warning --pedantic --info --display-info "$work"/*.changes
echo "lintian: no error, no warning"

timeout 600 bash tests/e2e/package_e2e.sh --deb "$deb"
[ -z "$out" ] || cp "$deb" "$out/"
