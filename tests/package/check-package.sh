#!/usr/bin/env bash
# Checks the Debian packages as a site gets them, without installing them on
# this machine: builds them (scripts/package.sh), unpacks both into a scratch
# root with dpkg-deb -x, and there
#  1. finds the files in their places, the program's library path relative;
#  2. starts the unpacked Vondrel with a fresh home, offscreen: the login
#     window appears, the card reader stand-in is found and usable, and
#     SIGTERM ends the run cleanly;
#  3. builds a small host against the unpacked headers and libQuorvel.so and
#     takes a snapshot through it: the record carries the texts of the
#     unpacked language file;
#  4. validates the menu entry and the AppStream data, and runs lintian
#     (where installed): no errors.
# Everything runs in a clean environment, so nothing from the build tree or
# the caller's session can stand in for the unpacked files.
set -euo pipefail
cd "$(dirname "$0")/../.."

fail() {
  echo "check-package: $*" >&2
  exit 1
}

bash scripts/package.sh >/dev/null
shopt -s nullglob
debs=(build-package/vondrel_*_amd64.deb build-package/vondrel-standins_*_amd64.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 2 ] || fail "expected vondrel and vondrel-standins packages, found: ${debs[*]:-none}"

scratch=$(realpath "$(mktemp -d /tmp/vondrel-package.XXXXXX)")
desk_pid=""
cleanup() {
  if [ -n "$desk_pid" ] && kill -0 "$desk_pid" 2>/dev/null; then
    kill -KILL "$desk_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

root=$scratch/root
for deb in "${debs[@]}"; do
  dpkg-deb -x "$deb" "$root"
done
multiarch=$(gcc -print-multiarch)
libdir=$root/usr/lib/$multiarch

# 1. Files in their places.
for f in usr/bin/Vondrel "usr/lib/$multiarch/libQuorvel.so.1" "usr/lib/$multiarch/libQuorvel.so" \
  usr/include/quorvel/Quorvel.h usr/include/quorvel/QuorvelEvents.h \
  usr/share/quorvel/lang/LangCN usr/share/quorvel/lang/LangEN \
  usr/share/applications/vondrel.desktop usr/share/icons/hicolor/scalable/apps/vondrel.svg \
  usr/share/metainfo/org.vondrel.Vondrel.metainfo.xml usr/share/man/man1/Vondrel.1.gz \
  usr/share/doc/vondrel/copyright usr/share/doc/vondrel/winlock.md \
  "usr/lib/$multiarch/vondrel/libtermb.so" "usr/lib/$multiarch/vondrel/libWinLock.so"; do
  [ -e "$root/$f" ] || fail "the packages lack /$f"
done
runpath=$(readelf -d "$root/usr/bin/Vondrel" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ "$runpath" = "\$ORIGIN/../lib/$multiarch" ] || fail "Vondrel's library path is '$runpath', not relative to the program"
soname=$(readelf -d "$libdir/libQuorvel.so.1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[ "$soname" = "libQuorvel.so.1" ] || fail "libQuorvel's SONAME is '$soname'"

clean_env=(env -i PATH=/usr/bin:/bin LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen
  GST_REGISTRY="$scratch/gst-registry.bin")

# 2. The desk program with a fresh home.
home=$scratch/desk-home
run=$scratch/desk-run
mkdir -p "$home"
mkdir -m 700 "$run"
log=$scratch/desk.log
"${clean_env[@]}" HOME="$home" XDG_RUNTIME_DIR="$run" VONDREL_MESSAGES=stderr \
  VONDREL_DIAGNOSTICS=stderr "$root/usr/bin/Vondrel" 2>"$log" &
desk_pid=$!
for _ in $(seq 1 600); do
  grep -q '^Vondrel: window shown: vondrel::TFormLogin ' "$log" && break
  kill -0 "$desk_pid" 2>/dev/null || { cat "$log" >&2; fail "Vondrel ended before its login window appeared"; }
  sleep 0.1
done
grep -q '^Vondrel: window shown: vondrel::TFormLogin ' "$log" || { cat "$log" >&2; fail "no login window within 60 s"; }
grep -q "^Vondrel: data folder: $home/Documents/Vondrel Files/\$" "$log" ||
  { cat "$log" >&2; fail "the data folder is not in the fresh home"; }
grep -q "^Vondrel: card reader library: $libdir/vondrel/libtermb.so (usable)\$" "$log" ||
  { cat "$log" >&2; fail "the card reader stand-in was not found"; }
grep -q " $libdir/libQuorvel.so.1" "/proc/$desk_pid/maps" ||
  fail "Vondrel did not load the unpacked libQuorvel.so.1"
[ -f "$home/Documents/Vondrel Files/db.sqlite" ] || fail "no database was created in the fresh home"
kill -TERM "$desk_pid"
desk_status=0
wait "$desk_pid" || desk_status=$?
desk_pid=""
[ "$desk_status" -eq 0 ] || { cat "$log" >&2; fail "Vondrel ended with status $desk_status after SIGTERM"; }
[ -f "$home/Documents/Vondrel Files/Vondrel.ini" ] || fail "the options were not written at the end"

# 3. A host of the library, built against the unpacked headers only.
launcher=()
command -v ccache >/dev/null && launcher=(ccache)
# shellcheck disable=SC2046
"${launcher[@]}" g++ -std=c++20 -fPIC -O1 -o "$scratch/quorvel_probe" tests/package/quorvel_probe.cpp \
  -I"$root/usr/include/quorvel" $(pkg-config --cflags Qt6Widgets) \
  -L"$libdir" -lQuorvel $(pkg-config --libs Qt6Widgets) -Wl,-rpath,"$libdir"
probe_home=$scratch/probe-home
mkdir -p "$probe_home/Documents/Vondrel Files"
printf 'testsrc\r\n' >"$probe_home/Documents/Vondrel Files/SoruceUrl.bin"
probe_out=$(cd "$scratch" && "${clean_env[@]}" HOME="$probe_home" XDG_RUNTIME_DIR="$run" \
  "$scratch/quorvel_probe" 2>"$scratch/probe.log") || { cat "$scratch/probe.log" >&2; fail "the library host failed"; }
# Default language: index 1, LangCN; text 1 is the event, 12 the detail.
want_event=$(sed -n 's/^1=//p' "$root/usr/share/quorvel/lang/LangCN")
want_detail=$(sed -n 's/^12=//p' "$root/usr/share/quorvel/lang/LangCN")
if [ -z "$want_event" ] || [ -z "$want_detail" ]; then
  fail "LangCN lacks texts 1 and 12"
fi
if ! grep -qxF "event=$want_event" <<<"$probe_out" || ! grep -qxF "detail=$want_detail" <<<"$probe_out"; then
  fail "the snapshot record does not carry the unpacked language texts: $probe_out"
fi

# 4. Menu entry, AppStream data, lintian.
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/vondrel.desktop" >"$scratch/desktop.log" 2>&1 ||
    { cat "$scratch/desktop.log" >&2; fail "vondrel.desktop does not validate"; }
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$root/usr/share/metainfo/org.vondrel.Vondrel.metainfo.xml" >"$scratch/appstream.log" 2>&1 ||
    { cat "$scratch/appstream.log" >&2; fail "the AppStream data does not validate"; }
fi
if command -v lintian >/dev/null; then
  lintian_status=0
  lintian --fail-on error "${debs[@]}" >"$scratch/lintian.log" 2>&1 || lintian_status=$?
  grep -v 'running with root privileges' "$scratch/lintian.log" >&2 || true
  [ "$lintian_status" -eq 0 ] || fail "lintian reports errors"
fi

echo "check-package: ${debs[*]#build-package/}: unpacked, started, parts found"
