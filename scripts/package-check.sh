#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package as a distribution would take it: builds it
# (scripts/package.sh), then lintian (any error or warning fails, except the
# tags the package overrides), the desktop file, the AppStream metadata, every
# manual page, the version in the changelog and the metadata against the
# build's, and the licence line of every source file (scripts/spdx.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh lintian appstream desktop-file-utils man-db groff-base

failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }
section() { echo "--- $*"; }

deb=$(bash scripts/package.sh | tail -n 1)
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
dpkg-deb -x "$deb" "$T/root"
echo "$deb"

section lintian
# Overridden tags are listed (with their reasons in the package) but pass.
lintian --fail-on error,warning --show-overrides --info "$deb" || fail "lintian"

section desktop file
for f in "$T"/root/usr/share/applications/*.desktop; do
  desktop-file-validate "$f" || fail "desktop-file-validate $(basename "$f")"
done

section AppStream metadata
metainfo=("$T"/root/usr/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no metainfo file in the package"
appstreamcli validate --no-net "${metainfo[@]}" || fail "appstreamcli validate"
# Software centres offer the program for the device the udev rule is for.
rule=$(grep -vh '^#' "$T"/root/usr/lib/udev/rules.d/*.rules)
rule_id() { grep -o "$1}==\"[0-9a-fA-F]\{4\}\"" <<< "$rule" | head -n 1 | cut -d'"' -f2 | tr a-f A-F; }
modalias="usb:v$(rule_id idVendor)p$(rule_id idProduct)*"
grep -qF "<modalias>$modalias</modalias>" "${metainfo[0]}" || fail "the metainfo does not provide $modalias, the udev rule's device"

section manual pages
for bin in "$T"/root/usr/bin/*; do
  page="$T/root/usr/share/man/man1/$(basename "$bin").1.gz"
  [ -f "$page" ] || { fail "$(basename "$bin") has no manual page"; continue; }
  # Any groff warning (bad macro, unknown escape, line too long for its
  # column) fails, as lintian's groff-message does.
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null) || fail "man -l $(basename "$page")"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
  LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null | grep "^NAME" >/dev/null || fail "$(basename "$page") does not render"
done

section versions
version=$(sed -n 's/^project([A-Za-z]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
changelog=$(gzip -dc "$T/root/usr/share/doc/dataclave/changelog.gz" | dpkg-parsechangelog -l- -SVersion)
release=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "${metainfo[0]}" | head -n 1)
echo "build $version, changelog $changelog, metainfo $release"
[ "$version" = "$changelog" ] || fail "the changelog's latest entry is $changelog, the build is $version"
[ "$version" = "$release" ] || fail "the metainfo's latest release is $release, the build is $version"

section licence lines
bash scripts/spdx.sh --check || fail "files without a licence line (bash scripts/spdx.sh --fix)"

[ $failed -eq 0 ] && echo "package checks passed"
exit $failed
