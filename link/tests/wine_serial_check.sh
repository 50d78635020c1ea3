#!/usr/bin/env bash
# The Windows serial back end end to end: orvanel-cli.exe under Wine uploads from and
# downloads to a Linux stb-sim whose pseudo-terminal is Wine's COM1.
# Usage: wine_serial_check.sh LINUX_BUILD WINDOWS_BUILD   (WINEPREFIX set by the caller; WINE,
# Wine's loader for that build's bitness, 64-bit by default)
set -euo pipefail
linux=$1 windows=$2
wine=${WINE:-/usr/lib/wine/wine64}
work=$(mktemp -d)
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "wine serial: $*" >&2; exit 1; }
dump() { "$linux/tools/orvanel-cli" dump --json "$1"; }
# The Windows build prints what the Linux build prints of the same transfer, the backup line
# included, once the side folders' names, the drive, the separators and the backup's
# time are made alike.
same_output() {  # WHAT WINDOWS_LOG LINUX_LOG
  local alike='s#Z:##g; s#\\#/#g; s#side-(windows|linux)#side#g; s#[0-9]{4}(-[0-9]{2}){2}_[0-9]{2}(-[0-9]{2}){2}#TIME#g'
  diff <(sed -E "$alike" "$2") <(sed -E "$alike" "$3") > "$work/diff" || fail "$1 prints otherwise than on Linux: $(cat "$work/diff")"
  echo "wine serial: $1 prints what the Linux build prints"
}

"$linux/tools/stb-sim" --std demo/demo.std --output "$work/held.std" > "$work/sim.out" &
sim_pid=$!
for _ in $(seq 100); do grep -q '^serial: ' "$work/sim.out" && break; sleep 0.1; done
pty=$(sed -n 's/^serial: //p' "$work/sim.out")
[ -n "$pty" ] || fail "stb-sim gave no pseudo-terminal"

# Wine reads its port map when its server starts.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM1 /t REG_SZ /d "$pty" /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k 2>/dev/null || true
/usr/lib/wine/wineserver -w 2>/dev/null || true

cli() { "$wine" "$windows/tools/orvanel-cli.exe" "$@" --side-folder "Z:$work/side-windows"; }
linux_cli() { "$linux/tools/orvanel-cli" "$@" --side-folder "$work/side-linux"; }
# A name outside ASCII, as a Windows user gives it.
cli upload --serial COM1 -o "Z:$work/Käse Сыр.std" --no-reboot > "$work/upload.log" 2>&1 \
  || fail "upload failed: $(cat "$work/upload.log")"
mv "$work/Käse Сыр.std" "$work/up.std"
[ "$(dump "$work/up.std")" = "$(dump demo/demo.std)" ] || fail "the upload is not the simulator's document"
echo "wine serial: upload through COM1 decodes to the simulator's document"
linux_cli upload --serial "$pty" -o "$work/Käse Сыр.std" --no-reboot > "$work/upload-linux.log" 2>&1 \
  || fail "Linux upload failed: $(cat "$work/upload-linux.log")"
grep -q '^backup: ' "$work/upload.log" || fail "no backup line: $(cat "$work/upload.log")"
same_output upload "$work/upload.log" "$work/upload-linux.log"

# An edited list (rows in reverse order) goes back, and the simulator must hold it.
"$linux/tools/orvanel-cli" export --csv "$work/up.std" -o "$work/list.csv"
{ head -1 "$work/list.csv"; tail -n +2 "$work/list.csv" | tac; } > "$work/edited.csv"
"$linux/tools/orvanel-cli" import --csv "$work/edited.csv" "$work/up.std" -o "$work/edited.std" > /dev/null
[ "$(dump "$work/edited.std")" != "$(dump "$work/up.std")" ] || fail "the edit changed nothing"
cp "$work/edited.std" "$work/Käse Сыр.std"
cli download --serial COM1 --no-reboot "Z:$work/Käse Сыр.std" > "$work/download.log" 2>&1 \
  || fail "download failed: $(cat "$work/download.log")"
for _ in $(seq 100); do [ -s "$work/held.std" ] && break; sleep 0.1; done
[ "$(dump "$work/held.std")" = "$(dump "$work/edited.std")" ] || fail "the simulator does not hold the downloaded image"
echo "wine serial: download through COM1 leaves the simulator holding the same image"
linux_cli download --serial "$pty" --no-reboot "$work/Käse Сыр.std" > "$work/download-linux.log" 2>&1 \
  || fail "Linux download failed: $(cat "$work/download-linux.log")"
same_output download "$work/download.log" "$work/download-linux.log"
