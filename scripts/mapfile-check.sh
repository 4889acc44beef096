#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The map files against the official schemas (KML 2.2 and GPX 1.1, as Debian's
# pytrainer package ships them, taken from the package without installing it)
# with xmllint, and read back by GDAL's ogrinfo, which must find every
# placemark, waypoint, track and track point. Surveys: the demo meter's
# built-in records, and a file with the edges (the meridian 180, the poles, a
# note with quotes, "]]>" and a control character, UTF-8 text, CR line ends, a
# spreadsheet's time). Usage: scripts/mapfile-check.sh [BUILD-DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
bash scripts/setup.sh libxml2-utils gdal-bin
cli="$build/src/dataclave-cli"
[ -x "$cli" ] || { echo "no $cli: build first (scripts/build.sh)" >&2; exit 1; }

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
(cd "$T" && apt-get download -qq pytrainer >/dev/null 2>&1) || { echo "cannot download the pytrainer package" >&2; exit 1; }
dpkg-deb -x "$T"/pytrainer_*.deb "$T/p"
xsd="$T/p/usr/share/pytrainer/schemas"

failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

"$cli" --demo download saved "$T/demo.csv" >/dev/null
header='"Dir ID","Rec ID","Point Number","Tx ID","Call Sign","Tx Frequency (kHz)","Measurement Frequency (kHz)","Radial","Pattern","Initials","Note","Meas. Point","UTC Time","Local Time","Harmonic","RF Source","GPS Valid","Latitude","Longitude","Elevation (m)","Fld Str 1","Units 1","Fld Str 2","Units 2","mV/m","dBuV","Tx Distance (km)","Azimuth","Temperature (°C)"'
rec() { # point lat lon note utc
  printf '1,%s,%s,1,"KDCV",1230,1230,1,"ND","Jö",%s,1,%s,07-Nov-2026 06:03:22,1,"Loop",TRUE,%s,%s,412,93.1,"dBuV",45.1,"mV/m",45.1,93.09,%s,20.0,4.5\r' \
    "$1" "$1" "$4" "$5" "$2" "$3" "$1"
}
{
  printf '%s\r' "$header"
  rec 1 45.5 180.000000 '"east ""edge"""' '07-Nov-2026 14:03:22'
  rec 2 -90 -180 '"]]> and <b>"' '11/7/2026 2:03 PM'
  rec 3 90.0 0 "\"$(printf 'bell \007')\"" '2026-11-07T14:03:22Z'
  rec 4 45.5 179.999999 '"Café Ø"' '--------------------'
  rec 5 45.5 -118.25 '"x"' 'soon'
} > "$T/edges.csv"

for survey in demo edges; do
  for kind in kml gpx; do
    out="$T/$survey.$kind"
    "$cli" export "$kind" "$T/$survey.csv" "$out" 2>/dev/null || fail "export $kind $survey.csv"
    if [ "$kind" = kml ]; then schema="$xsd/ogckml22.xsd"; else schema="$xsd/Topografix_gpx11.xsd"; fi
    xmllint --noout --schema "$schema" "$out" 2>"$T/xmllint.txt" || { cat "$T/xmllint.txt" >&2; fail "$survey.$kind against $(basename "$schema")"; }
    info=$(ogrinfo -ro -al -so "$out" 2>&1) || { echo "$info" >&2; fail "ogrinfo $survey.$kind"; continue; }
    features() { awk -v layer="$1" '/^Layer name:/ { on = (layer == "" || $3 == layer) } on && /^Feature Count:/ { n += $3 } END { print n + 0 }' <<< "$info"; }
    expect() { # what, in the file, in ogrinfo
      if [ "$2" -eq "$3" ] && [ "$2" -gt 0 ]; then echo "$survey.$kind: $1 $2"; else fail "$survey.$kind: $2 $1 in the file, ogrinfo reads $3"; fi
    }
    if [ "$kind" = kml ]; then
      expect placemarks "$(grep -c '<Placemark>' "$out")" "$(features '')"
    else
      expect waypoints "$(grep -c '<wpt ' "$out")" "$(features waypoints)"
      expect tracks "$(grep -c '<trk>' "$out")" "$(features tracks)"
      expect "track points" "$(grep -c '<trkpt ' "$out")" "$(features track_points)"
      dup=$(awk '/<wpt /{ w = 1 } /<\/wpt>/{ w = 0 } w && /<name>/' "$out" | sort | uniq -d)
      [ -z "$dup" ] || fail "$survey.gpx: waypoint names repeat: $dup"
    fi
  done
done
exit "$failed"
