#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG icons from dataclave.svg (needs rsvg-convert: apt-get install librsvg2-bin).
# The PNGs are kept in the repository, so building and packaging need nothing of this.
set -euo pipefail
cd "$(dirname "$0")"
for n in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${n}x${n}/apps"
  rsvg-convert -w "$n" -h "$n" dataclave.svg -o "hicolor/${n}x${n}/apps/dataclave.png"
done
