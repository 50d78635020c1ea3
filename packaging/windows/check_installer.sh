#!/usr/bin/env bash
# One installer as a user meets it, under Wine in a fresh prefix of 64-bit Windows: each
# program, the emulator and the installer carry the version, the programs and the installer an
# icon and a long-path-aware manifest; a silent install (/S) puts the tools where the Start
# menu's console finds them on its PATH, and they run from there; a silent uninstall leaves no
# file and no registry key of ours (the prefix's files and a registry export compared with
# those before the install).
# Usage: packaging/windows/check_installer.sh BITS SETUP STAGE   (from the source root)
set -euo pipefail
bits=$1 setup=$2 stage=$3
. scripts/windows-env
windows_bitness "$bits"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build/CMakeCache.txt")
work=$(mktemp -d)
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "installer check ($bits-bit): $*" >&2; exit 1; }

for file in "$stage/orvanel-cli.exe" "$stage/bexora-cli.exe" "$stage/ZbDll.dll" "$setup"; do
  name=$(basename "$file")
  resources=$("$win_triplet-windres" -i "$file" -O rc 2>/dev/null) || fail "$name has no resources"
  grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$resources" || fail "$name does not carry version $version"
  [ "$name" = ZbDll.dll ] && continue
  grep -q 'RT_GROUP_ICON' <<<"$resources" || fail "$name has no icon"
  grep -aq '<longPathAware[^>]*>true</longPathAware>' "$file" || fail "$name has no long-path-aware manifest"
done
echo "installer check ($bits-bit): version $version, icon and manifest in every program and the installer"

# Wine's menu builder would copy the Start menu into the Linux desktop's menus.
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
"$wine" wineboot -i >/dev/null 2>&1
drive=$WINEPREFIX/drive_c

# The prefix's files and the software's registry (HKCR is made of these two keys), without
# Wine's own keys, which it changes from one start to the next.
snapshot() {
  /usr/lib/wine/wineserver -w
  (cd "$drive" && find . | LC_ALL=C sort) > "$work/$1.files"
  : > "$work/$1.reg"
  for key in 'HKLM\Software' 'HKCU\Software'; do
    "$wine" reg export "$key" "$work/export.reg" /y >/dev/null 2>&1 || fail "reg export $key failed"
    iconv -f UTF-16LE -t UTF-8 "$work/export.reg" | tr -d '\r' |
      awk '/^\[/ { wine = $0 ~ /^\[HKEY_[A-Z_]*\\Software\\Wine(\\|\])/ } !wine' >> "$work/$1.reg"
  done
}

snapshot before
"$wine" "$setup" /S || fail "the silent install failed ($?)"
snapshot installed
if [ "$bits" = 64 ]; then folder='Program Files'; else folder='Program Files (x86)'; fi
installed=$drive/$folder/Orvanel
(cd "$stage" && find . -type f ! -name stage.nsh) | while read -r file; do
  cmp -s "$stage/$file" "$installed/$file" || fail "not installed as made: $file"
done
grep -q 'CurrentVersion\\Uninstall\\Orvanel\]' "$work/installed.reg" || fail "no uninstall entry"
grep -q 'Classes\\Orvanel.SettingsFile\]' "$work/installed.reg" \
  || fail ".std is not registered"

# The console's shortcut, and the tools run from the PATH its script sets.
link="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Orvanel/Orvanel tools console.lnk"
[ -f "$link" ] || fail "no Start menu console"
# Its arguments, behind their length, name the console's script.
script=$(strings -el "$link" | sed -n 's|^.*/k "\(.*orvanel-console\.cmd\)"$|\1|p')
[ -n "$script" ] || fail "the console's shortcut does not start orvanel-console.cmd"
mkdir -p "$work/disk/Movies"
printf 'recording' > "$work/disk/Movies/show.rec"
printf '@echo off\r\ncall "%s"\r\norvanel-cli verify Z:%s\\demo\\demo.std\r\nif errorlevel 1 exit /b 1\r\nbexora-cli ls /Movies\r\nif errorlevel 1 exit /b 2\r\n' \
  "$script" "$(pwd | tr / '\\')" > "$work/console-test.cmd"
output=$(ZBDLL_SIM_ROOT="Z:$work/disk" "$wine" cmd /c "Z:$(tr / '\\' <<<"$work")\\console-test.cmd" 2>&1) \
  || fail "the tools do not run from the console's PATH: $output"
grep -q 'show.rec' <<<"$output" || fail "bexora-cli did not list the emulator's disk: $output"
echo "installer check ($bits-bit): installed; the tools run from the Start menu console's PATH"

"$wine" "$installed/uninstall.exe" /S || fail "the silent uninstall failed ($?)"
# The uninstaller runs from a copy in the temporary folder, which goes when Windows restarts.
/usr/lib/wine/wineserver -w
"$wine" wineboot -r >/dev/null 2>&1
snapshot uninstalled
diff "$work/before.files" "$work/uninstalled.files" > "$work/files.diff" || fail "files left: $(cat "$work/files.diff")"
diff "$work/before.reg" "$work/uninstalled.reg" > "$work/reg.diff" || fail "registry left: $(cat "$work/reg.diff")"
echo "installer check ($bits-bit): uninstalled; no file and no registry key left"
