#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program through the real kernel: dataclave-cli, built on hidapi's
# hidraw backend, talks to dataclave-uhid-meter inside a small VM (Debian's
# own kernel under qemu without KVM, booted into the host's root shared over
# 9p), so every report passes uhid, hidraw and hidapi. Installs what it needs,
# builds the VM pieces once into the build folder (kernel-vm/), and exits
# non-zero on any failure. KERNEL_TEST_TIMEOUT bounds the VM (seconds).
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
BUILD=$(mkdir -p "${BUILD_DIR:-build}" && cd "${BUILD_DIR:-build}" && pwd)
CLI=$BUILD/src/dataclave-cli
METER=$BUILD/src/dataclave-uhid-meter

MODULES=(virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci netfs fscache 9pnet 9pnet_virtio 9p
         hid uhid hid-generic)

# ---------------------------------------------------------------- the VM pieces
# Debian's kernel and the modules the VM needs, fetched once.
fetch_kernel() {
  local vm=$1 work pkg ko m
  work=$(mktemp -d)
  pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ { print $2; exit }')
  if [ -z "$pkg" ]; then # no package lists yet
    $([ "$(id -u)" -eq 0 ] || echo sudo) apt-get update -qq
    pkg=$(apt-cache depends linux-image-amd64 | awk '/Depends: linux-image-/ { print $2; exit }')
  fi
  [ -n "$pkg" ] || { echo "no kernel package behind linux-image-amd64" >&2; return 1; }
  echo "kernel package: $pkg"
  (cd "$work" && apt-get download "$pkg" >/dev/null 2>&1) || { echo "apt-get download $pkg failed" >&2; return 1; }
  dpkg -x "$work"/*.deb "$work/root"
  rm -rf "$vm/modules" && mkdir -p "$vm/modules"
  for m in "${MODULES[@]}"; do
    ko=$(find "$work/root/lib/modules" -name "$m.ko" -o -name "$m.ko.xz" -o -name "$m.ko.zst" | head -n 1)
    [ -n "$ko" ] || { echo "module $m not in $pkg" >&2; return 1; }
    case $ko in # busybox's insmod takes plain modules only
      *.xz) xz -dc "$ko" >"$vm/modules/$m.ko" ;;
      *.zst) zstd -qdc "$ko" >"$vm/modules/$m.ko" ;;
      *) cp "$ko" "$vm/modules/$m.ko" ;;
    esac
  done
  cp "$work"/root/boot/vmlinuz-* "$vm/vmlinuz.new"
  mv "$vm/vmlinuz.new" "$vm/vmlinuz"
  rm -rf "$work"
}

# The initramfs: busybox, the modules, and an init that mounts the host's
# root over 9p and runs this script's guest part in it. Small: made every run.
make_initrd() {
  local vm=$1 work
  work=$(mktemp -d)
  mkdir -p "$work/bin" "$work/proc" "$work/sys" "$work/dev" "$work/host"
  cp /bin/busybox "$work/bin/busybox"
  cp -r "$vm/modules" "$work/modules"
  cat >"$work/init" <<EOF
#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in ${MODULES[*]}; do insmod /modules/\$m.ko || echo "insmod \$m failed"; done
mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose host /host || echo "no host root over 9p"
mount -t proc proc /host/proc
mount -t sysfs sys /host/sys
mount -t devtmpfs dev /host/dev
ln -s /proc/self/fd /host/dev/fd
mount -t tmpfs run /host/run
chroot /host /bin/bash "\$dataclave_src/scripts/kernel-test.sh" --in-vm "\$dataclave_run" "\$dataclave_only"
echo "guest finished: \$?"
sync
poweroff -f
EOF
  chmod +x "$work/init"
  (cd "$work" && find . | busybox cpio -o -H newc -R 0:0 2>/dev/null | gzip -1) >"$vm/initrd.img"
  rm -rf "$work"
}

# Scenario files, and what --demo makes of them on the host: the reference
# for the same commands through the kernel.
prepare_run() {
  local run=$1 s
  mkdir -p "$run/scn" "$run/ref"
  printf 'firmware 2.3.7\ngenerate-saved 1200\ntx-capacity 400\ngenerate-tx 250\n' >"$run/scn/fw23.txt"
  printf 'firmware 2.2.15\ngenerate-saved 1000\ntx-capacity 300\ngenerate-tx 200\n' >"$run/scn/fw22.txt"
  printf 'firmware 2.3.7\ngenerate-saved 10\n' >"$run/scn/ten.txt"
  printf 'firmware 2.3.7\ngenerate-saved 10\nunplug-after-reports 12\nreplug-after-ms 300\n' >"$run/scn/replug.txt"
  printf 'firmware 2.3.7\ngenerate-saved 4\nstall-after-reports 1\n' >"$run/scn/stall.txt"
  printf 'firmware 2.3.7\ngenerate-saved 3\n' >"$run/scn/three.txt"
  printf 'firmware 2.2.15\ngenerate-saved 7\n' >"$run/scn/seven.txt"
  printf 'firmware 2.2.15\ngenerate-saved 5\nproduct-id 0bbb\n' >"$run/scn/other-product.txt"
  printf 'firmware 2.3.7\ngenerate-saved 3\nstall-after-reports 0\n' >"$run/scn/silent.txt"
  printf 'firmware 2.3.7\ngenerate-saved 3\nextra-reports 2\n' >"$run/scn/stray.txt"
  # ---- interrupted delete (scenario) ----
  printf 'firmware 2.3.7\ngenerate-saved 10\nreport-latency-us 100000\n' >"$run/scn/slow-ten.txt"
  # ---- end interrupted delete ----
  "$CLI" --demo="$run/scn/three.txt" list saved >"$run/ref/stray-list-saved.txt"
  # Late strays: the same ten records and entries behind replies that come
  # late and twice; the reference is the plain meter.
  printf 'firmware 2.3.7\ngenerate-saved 10\ngenerate-tx 10\n' >"$run/scn/late.txt"
  for s in 100 300 3000; do
    { cat "$run/scn/late.txt"; printf 'report-latency-us %s\nextra-reports 1\n' "$s"; } >"$run/scn/late-$s.txt"
  done
  { cat "$run/scn/late.txt"; printf 'late-duplicate-reply\n'; } >"$run/scn/late-dup.txt"
  "$CLI" --demo="$run/scn/late.txt" download saved "$run/ref/late-saved.csv" >/dev/null
  "$CLI" --demo="$run/scn/late.txt" download tx "$run/ref/late-tx.csv" >/dev/null
  for s in fw23 fw22; do
    "$CLI" --demo="$run/scn/$s.txt" download saved "$run/ref/$s-saved.csv" >/dev/null
    "$CLI" --demo="$run/scn/$s.txt" download tx "$run/ref/$s-tx.csv" >/dev/null
    "$CLI" --demo="$run/scn/$s.txt" list saved >"$run/ref/$s-list-saved.txt"
    "$CLI" --demo="$run/scn/$s.txt" list tx >"$run/ref/$s-list-tx.txt"
  done
}

host_main() {
  local vm=$BUILD/kernel-vm run start rc=0 name only=${KERNEL_TEST_ONLY:-}
  bash scripts/setup.sh qemu-system-x86 busybox-static xz-utils zstd
  if [ ! -x "$CLI" ] || [ ! -x "$METER" ]; then bash scripts/build.sh; fi
  mkdir -p "$vm"
  if [ ! -s "$vm/vmlinuz" ] || [ ! -s "$vm/modules/hid-generic.ko" ]; then
    echo "fetching the kernel into $vm"
    fetch_kernel "$vm"
  fi
  make_initrd "$vm"
  run=$vm/run
  rm -rf "$run"
  LC_ALL=C.UTF-8 LANG=C.UTF-8 prepare_run "$run"
  start=$(date +%s)
  # TCG: with KVM the guest hangs early on some machines. One CPU keeps the
  # shared machine usable.
  timeout "${KERNEL_TEST_TIMEOUT:-280}" nice qemu-system-x86_64 -cpu max -smp 1 -m 1024 \
    -nographic -no-reboot -vga none -nic none \
    -kernel "$vm/vmlinuz" -initrd "$vm/initrd.img" \
    -append "console=ttyS0 quiet panic=-1 dataclave_src=$SRC dataclave_run=$run dataclave_only=${only// /,}" \
    -virtfs local,path=/,mount_tag=host,security_model=none,multidevs=remap \
    </dev/null >"$run/console.log" 2>&1 || rc=$?
  echo "VM ran $(( $(date +%s) - start )) s"
  [ -f "$run/guest.log" ] && cat "$run/guest.log"
  if [ ! -f "$run/result" ]; then
    echo "kernel test: the VM gave no result (qemu exit $rc); its console:" >&2
    tail -n 40 "$run/console.log" >&2
    return 1
  fi
  local failed=0
  while read -r name; do
    echo "FAILED: $name" >&2
    failed=1
  done < <(sed -n 's/^FAIL //p' "$run/result")
  grep -q '^DONE' "$run/result" || { echo "kernel test: the guest did not finish" >&2; failed=1; }
  [ "$failed" -eq 0 ] && echo "kernel test passed"
  return "$failed"
}

# ---------------------------------------------------------------- in the VM
# Every program started costs a few hundred ms under TCG, so the guest part
# keeps to bash's builtins where it can.
log() { echo "$*" >>"$RUN/guest.log"; }
ok() { log "ok   $*"; }
fail() { log "FAIL $1 ${*:2}"; echo "FAIL $1" >>"$RUN/result"; }
now() { NOW=$(( ${EPOCHREALTIME/./} / 1000 )); } # ms, without starting a program
lap() { now; log "  ($1: $(( NOW - LAP )) ms)"; LAP=$NOW; }
text() { local t=""; [ -f "$1" ] && t=$(<"$1"); echo "${t//$'\n'/ | }"; }
# The hidraw node a meter named on standard error (the last one: after a replug).
node_of() {
  local line node=""
  while IFS= read -r line; do [[ $line =~ meter\ at\ (/dev/hidraw[0-9]+) ]] && node=${BASH_REMATCH[1]}; done <"$1"
  echo "$node"
}

# Starts a uhid meter; sets MPID, MNODE and MERR. Waits for its "ready".
start_meter() {
  local fd line=""
  MERR=$T/meter.$((++NMETER)).err
  exec {fd}< <(exec "$METER" "$@" 2>"$MERR")
  MPID=$!
  read -r -t 20 -u "$fd" line
  exec {fd}<&-
  MNODE=$(node_of "$MERR")
  if [ "$line" != ready ] || [ -z "$MNODE" ]; then
    log "meter did not come up (read: \"$line\"): $(text "$MERR")"
    return 1
  fi
}
stop_meter() {
  local pid=${1:-$MPID} node=${2:-$MNODE} i
  kill -TERM "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  # The kernel removes the node with the device.
  for i in {1..100}; do [ -e "$node" ] || return 0; read -r -t 0.02 -u "$IDLE"; done
  log "$node still there after the meter ended"
  return 1
}

cli() { "$CLI" "$@"; }

check_transfers() {
  local s n id lines t0
  if ! start_meter "$RUN/scn/fw23.txt"; then fail meter-start; return; fi
  ok "meter up at $MNODE"
  # The README's udev rule for the uhid meter matches the HID device's name.
  local dev; dev=$(readlink -f "/sys/class/hidraw/${MNODE#/dev/}/device")
  if [[ $(<"$dev/uevent") == *HID_ID=0003:00001C40:00000BBA* && ${dev##*/} == 0003:1C40:0BBA.* ]]; then
    ok "kernel: bus USB, 1C40:0BBA, device ${dev##*/}"; else fail device-identity "$dev"; fi
  # Downloads and lists, byte for byte as --demo gives them.
  for s in fw23 fw22; do
    if [ "$s" != fw23 ]; then stop_meter; start_meter "$RUN/scn/$s.txt" || { fail "meter-$s"; continue; }; fi
    now; t0=$NOW
    if cli download saved "$T/$s-saved.csv" >/dev/null 2>"$T/err" && cmp -s "$T/$s-saved.csv" "$RUN/ref/$s-saved.csv"; then
      now; mapfile -t lines <"$T/$s-saved.csv"; ok "$s: download saved (${#lines[@]} lines, $(( NOW - t0 )) ms) same as --demo"
    else fail "$s-download-saved" "$(text "$T/err")"; fi
    now; t0=$NOW
    if cli download tx "$T/$s-tx.csv" >/dev/null 2>"$T/err" && cmp -s "$T/$s-tx.csv" "$RUN/ref/$s-tx.csv"; then
      now; ok "$s: download tx ($(( NOW - t0 )) ms) same as --demo"
    else fail "$s-download-tx" "$(text "$T/err")"; fi
    # The file holds the meter's bytes whatever the regional settings.
    if [ "$s" = fw22 ]; then
      if LC_ALL=de_DE.UTF-8 cli download saved "$T/de.csv" >/dev/null 2>&1 && cmp -s "$T/de.csv" "$RUN/ref/$s-saved.csv"; then
        ok "$s: download saved under de_DE.UTF-8, the same bytes"; else fail "$s-download-saved-de_DE"; fi
    fi
    for n in saved tx; do
      if cli list $n >"$T/list" 2>"$T/err" && cmp -s "$T/list" "$RUN/ref/$s-list-$n.txt"; then ok "$s: list $n"; else fail "$s-list-$n" "$(text "$T/err")"; fi
    done
  done
  # Changes stay in the meter between runs.
  mapfile -t lines < <(cli list saved); n=${#lines[@]}
  mapfile -t lines < <(cli --yes delete saved 2 3 2>"$T/err" >/dev/null; cli list saved)
  if [ "${#lines[@]}" -eq $((n - 2)) ]; then ok "delete saved"; else fail delete-saved "${#lines[@]} rows of $n left: $(text "$T/err")"; fi
  id=$(cli --yes tx add --call KRNL1 --freq 1234 --lat 45.5 --lon -118.25 --var "14 30 W" 2>"$T/err")
  s=$(cli list tx)
  if [[ $id =~ ^[0-9]+$ && $s == *KRNL1* ]]; then ok "tx add: station $id"; else fail tx-add "$id $(text "$T/err")"; fi
  cli --yes tx edit "$id" --call KRNL2 >/dev/null 2>"$T/err"
  s=$(cli list tx)
  if [[ $s == *KRNL2* && $s != *KRNL1* ]]; then ok "tx edit"; else fail tx-edit "$(text "$T/err")"; fi
  stop_meter || fail meter-stop
}

# Unplugged after each report of a 10-record download in turn: the earlier
# file stays, no partial file, exit 1, and the lost meter told once.
check_unplug() {
  local reports=0 bad=0 k rc files err t0 t_start=0 t_cli=0
  for k in {1..80}; do
    printf 'firmware 2.3.7\ngenerate-saved 10\nunplug-after-reports %s\n' "$k" >"$T/unplug.txt"
    now; t0=$NOW
    start_meter "$T/unplug.txt" || { bad=1; log "unplug after report $k: no meter"; break; }
    now; t_start=$(( t_start + NOW - t0 )); t0=$NOW
    mkdir "$T/u$k"; echo "earlier" >"$T/u$k/data.csv"
    rc=0; cli download saved "$T/u$k/data.csv" >/dev/null 2>"$T/u$k/err" || rc=$?
    now; t_cli=$(( t_cli + NOW - t0 ))
    stop_meter
    if [ "$rc" -eq 0 ]; then reports=$k; break; fi # the unplug came after the last report
    files=("$T/u$k"/*)
    err=$(<"$T/u$k/err")
    if [ "$rc" -ne 1 ] || [ "$(<"$T/u$k/data.csv")" != earlier ] || [ "${#files[@]}" -ne 2 ] \
      || [[ $err != *"was disconnected"* ]] || [[ ${err#*was disconnected} == *"was disconnected"* ]]; then
      bad=1; log "unplug after report $k: exit $rc, files: ${files[*]##*/}, message: ${err//$'\n'/ | }"
    fi
  done
  if [ "$bad" -eq 0 ] && [ "$reports" -gt 0 ]; then ok "unplug after each of $((reports - 1)) reports: file kept, exit 1, told once"; else fail unplug-each-report; fi
  log "  (per run: meter up $(( t_start / k )) ms, download $(( t_cli / k )) ms)"
}

# How long an answered status takes here (start-up, search, three commands).
timed_status() {
  local t0; now; t0=$NOW; cli status >/dev/null 2>&1; now; BASE=$(( NOW - t0 ))
}

# Replug: the meter comes back 300 ms after the unplug, as a new device, and
# is found again within a second.
check_replug() {
  local t0 t1 first st
  if ! start_meter "$RUN/scn/replug.txt"; then fail replug-start; return; fi
  first=$MNODE
  cli download saved "$T/replug.csv" >/dev/null 2>&1 && fail replug-unplug "the download did not fail"
  now; t0=$NOW
  st=$(cli --wait 5 status 2>"$T/err")
  now; t1=$(( NOW - t0 ))
  if [[ $st == *"saved 10 of"* ]]; then
    timed_status
    if [ $(( t1 - BASE )) -le 1000 ]; then ok "replug: found again, status $t1 ms after the failure (an answered status takes $BASE ms)"
    else fail replug-slow "$t1 ms, an answered status $BASE ms"; fi
  else fail replug "$(text "$T/err")"; fi
  stop_meter "$MPID" "$(node_of "$MERR")"
  [ -e "$first" ] && fail replug-old-node "$first"
}

# A stall: the read gives up after 4000 ms, as the program itself timed it
# (--verbose): a clock outside it would count the shell's delays too.
check_stall() {
  local line waited="" told=0 rc=""
  if ! start_meter "$RUN/scn/stall.txt"; then fail stall-start; return; fi
  while IFS= read -r line; do
    [[ $line =~ No\ input\ report\ within\ [0-9]+\ ms\ \(waited\ ([0-9]+)\ ms\) ]] && waited=${BASH_REMATCH[1]}
    [[ $line == *"was disconnected"* ]] && told=$((told + 1))
    [[ $line == "exit "* ]] && rc=${line#exit }
  done < <(cli --verbose status 2>&1 >/dev/null; echo "exit $?")
  # At least the whole time-out (a 10 % shorter one fails), and not far
  # beyond it however loaded the machine is.
  if [ "$rc" = 1 ] && [ "$told" -ge 1 ] && [[ $waited =~ ^[0-9]+$ ]] && [ "$waited" -ge 3995 ] && [ "$waited" -le 4800 ]; then
    ok "stall: the read gave up after $waited ms, exit 1"
  else fail stall "exit $rc, told $told times, waited: ${waited:-no time-out seen} ms"; fi
  stop_meter
}

# Two meters: the first one found is used; without it, the second. Another
# product of the vendor listed first is passed over.
check_meters() {
  local p1 n1
  if start_meter "$RUN/scn/three.txt"; then
    p1=$MPID n1=$MNODE
    if start_meter "$RUN/scn/seven.txt"; then
      if [[ $(cli status 2>"$T/err") == *"saved 3 of"* ]]; then ok "two meters: the first one"; else fail two-meters "$(text "$T/err")"; fi
      stop_meter "$p1" "$n1"
      if [[ $(cli status 2>"$T/err") == *"saved 7 of"* ]]; then ok "two meters: the second once the first is gone"; else fail two-meters-second "$(text "$T/err")"; fi
      stop_meter
    else fail two-meters-start; stop_meter "$p1" "$n1"; fi
  else fail two-meters-start; fi

  if start_meter "$RUN/scn/other-product.txt"; then
    p1=$MPID n1=$MNODE
    if start_meter "$RUN/scn/three.txt"; then
      if [[ $(cli status 2>"$T/err") == *"saved 3 of"* ]]; then ok "another 1C40 product listed first ($n1): passed over"; else fail other-product "$(text "$T/err")"; fi
      stop_meter
    else fail other-product-start; fi
    stop_meter "$p1" "$n1"
    if ! cli status >/dev/null 2>&1; then ok "another 1C40 product alone: no meter"; else fail other-product-alone; fi
  else fail other-product-start; fi
}

# Stray reports queued behind each reply (hidraw keeps what nobody read):
# every command still gets its own reply.
check_drain() {
  if ! start_meter "$RUN/scn/stray.txt"; then fail stray-reports "the meter did not take the scenario"; return; fi
  if [[ $(cli status 2>"$T/err") == *"saved 3 of 500"*"tx 0 of"* ]] && cli list saved >"$T/list" 2>>"$T/err" \
    && cmp -s "$T/list" "$RUN/ref/stray-list-saved.txt"; then ok "stray reports dropped: status and list right"
  else fail stray-reports "$(text "$T/err")"; fi
  # Dropped before each command went out: none was asked twice.
  local line sent=()
  while IFS= read -r line; do [[ $line =~ ^[A-Z](,.*)?$ ]] && sent+=("$line"); done < <(cli --verbose status 2>&1 >/dev/null)
  if [ "${sent[*]}" = "A C S" ]; then ok "stray reports dropped before each command: each asked once"
  else fail stray-reports-asked-again "sent: ${sent[*]}"; fi
  stop_meter
}

# A meter that never answers: told once, however long the search goes on.
check_silent() {
  local rc=0 lines
  if ! start_meter "$RUN/scn/silent.txt"; then fail silent-meter-start; return; fi
  cli --wait 10 status >/dev/null 2>"$T/err" || rc=$?
  mapfile -t lines <"$T/err"
  if [ "$rc" -eq 1 ] && [ "${#lines[@]}" -eq 1 ]; then ok "silent meter: exit 1, told once in 10 s"
  else fail silent-meter "exit $rc: $(text "$T/err")"; fi
  stop_meter
}

# A node the user may not open: told why.
check_permission() {
  local rc=0
  if ! start_meter "$RUN/scn/three.txt"; then fail permission-start; return; fi
  chown root:root "$MNODE"; chmod 0600 "$MNODE"
  # A copy the other user can run wherever the checkout is (a 0700 folder).
  cp "$CLI" "$T/nobody/dataclave-cli"; chmod 755 "$T/nobody/dataclave-cli"
  setpriv --reuid=65534 --regid=65534 --clear-groups env HOME="$T/nobody" XDG_CONFIG_HOME="$T/nobody" \
    "$T/nobody/dataclave-cli" status >/dev/null 2>"$T/err" || rc=$?
  if [ "$rc" -eq 1 ] && [[ $(<"$T/err") == *"Permission denied"* ]]; then ok "root-only node: exit 1, told why"
  else fail permission-message "exit $rc: $(text "$T/err")"; fi
  stop_meter
}

# ---------------------------------------------------------------- interrupted delete
# Ctrl+C during a delete: the program stops after the delete under way and
# prints which records it deleted. The meter outlives the program here, so
# what it holds afterwards is checked against what was printed.
check_interrupted() {
  local pid rc i="" id told deleted=() held=() line
  if ! start_meter "$RUN/scn/slow-ten.txt"; then fail meter-interrupted; return; fi
  # Its echo read line by line: interrupted as soon as the first delete is under way.
  local fd
  exec {fd}< <(exec "$CLI" --yes --verbose delete saved 1 2 3 4 5 6 7 8 9 10 2>&1 >/dev/null)
  pid=$!
  i=""
  : >"$T/err"
  while IFS= read -r -u "$fd" line; do
    echo "$line" >>"$T/err"
    [[ $line == F,* && -z $i ]] && { kill -INT "$pid" 2>/dev/null; i=sent; }
  done
  exec {fd}<&-
  wait "$pid"; rc=$?
  told=$(<"$T/err")
  [[ $told =~ deleted\ saved\ records\ ([0-9, ]+)\; ]] && IFS=', ' read -r -a deleted <<<"${BASH_REMATCH[1]}"
  while IFS=, read -r _ id line; do [[ $id =~ ^[0-9]+$ ]] && held+=("$id"); done < <(cli download saved - 2>/dev/null)
  local want=() n
  for n in {1..10}; do [[ " ${deleted[*]} " == *" $n "* ]] || want+=("$n"); done
  if [ "$rc" -eq 130 ] && [ "${#deleted[@]}" -gt 0 ] && [ "${#deleted[@]}" -lt 10 ] && [ "${held[*]}" = "${want[*]}" ]; then
    ok "interrupted delete: told ${deleted[*]} deleted, the meter holds ${held[*]}"
  else
    fail interrupted-delete "exit $rc; told: ${deleted[*]}; held: ${held[*]}; $(text "$T/err" | tail -c 400)"
  fi
  stop_meter || fail meter-stop
}
# ---------------------------------------------------------------- end interrupted delete
# Late strays: a reply given up on, a second copy or the previous reply again
# arrives after the program drained its input; every record still comes once,
# in its place, byte for byte as the plain meter gives them.
check_late() {
  local s n t rc
  for s in 100 300 3000 dup; do
    n=$s; [ "$s" = dup ] || n="${s}us"
    start_meter "$RUN/scn/late-$s.txt" || { fail "late-$n-start"; continue; }
    for t in saved tx; do
      rc=0; cli download $t "$T/late.csv" >/dev/null 2>"$T/err" || rc=$?
      if [ "$rc" -eq 0 ] && cmp -s "$T/late.csv" "$RUN/ref/late-$t.csv"; then ok "late strays ($n): download $t same as --demo"
      else fail "late-$n-$t" "exit $rc: $(text "$T/err")"; fi
      rm -f "$T/late.csv"
    done
    stop_meter
  done
}

in_vm() {
  set +e # each check reports its own failure
  RUN=$1 ONLY=${2:-} NMETER=0
  : >"$RUN/result"
  : >"$RUN/guest.log"
  # Scratch files in the guest's own tmpfs: /tmp is the host's (and may hold the build).
  export TMPDIR=/run/dataclave-kernel-test
  mkdir -p "$TMPDIR"
  T=$(mktemp -d)
  chmod 755 "$T"; mkdir -m 777 "$T/nobody"
  mkfifo "$T/idle"; exec {IDLE}<>"$T/idle" # reads from it time out: a sleep without a program
  export HOME=$T XDG_CONFIG_HOME=$T/config LC_ALL=C.UTF-8 LANG=C.UTF-8
  local up t0 section
  read -r up _ </proc/uptime
  log "guest: kernel $(uname -r), up $up s"
  [ -c /dev/uhid ] || { fail uhid-node "no /dev/uhid in the VM"; echo DONE >>"$RUN/result"; return 0; }
  now; t0=$NOW; LAP=$NOW
  ONLY=${ONLY//,/ }
  for section in ${ONLY:-transfers unplug replug stall meters drain late silent permission interrupted}; do
    "check_$section"
    lap "$section"
  done
  now; log "checks took $(( NOW - t0 )) ms"
  echo DONE >>"$RUN/result"
  sync
}

if [ "${1:-}" = "--in-vm" ]; then
  in_vm "$2" "${3:-}"
else
  host_main
fi
