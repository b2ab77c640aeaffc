#!/usr/bin/env bash
# Checks a Debian package made by `cpack -G DEB`: it holds the program, the command-line tool and
# everything that ships with them where the installed program looks; its menu entry and
# software-centre file pass the desktop's own validators; its dependencies resolve on this
# machine; and the programs unpacked from it start (the diary offscreen, on a data folder of
# its own, until its first paint).
#
#   check_package.sh PACKAGE.deb OUTDIR
set -euo pipefail

deb=$(realpath "$1")
out=$2
id=org.inkwend.Inkwend

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

for t in dpkg-deb desktop-file-validate appstreamcli apt-get; do
  command -v "$t" > /dev/null || fail "$t is missing (./dev.sh installs it)"
done

rm -rf "$out"
mkdir -p "$out"
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' > "$out/contents.txt"
for f in /usr/bin/inkwend /usr/bin/inkwend-tool /usr/share/inkwend/inkwend.dct \
  /usr/share/inkwend/help/index.html /usr/share/inkwend/icons/activity.icl \
  /usr/share/applications/$id.desktop /usr/share/metainfo/$id.metainfo.xml \
  /usr/share/icons/hicolor/scalable/apps/$id.svg /usr/share/icons/hicolor/48x48/apps/$id.png \
  /usr/share/icons/hicolor/256x256/apps/$id.png; do
  grep -qx "$f" "$out/contents.txt" || fail "the package lacks $f"
done

depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6widgets6 qt6-qpa-plugins; do
  grep -q "$d" <<< "$depends" || fail "Depends lacks $d: $depends"
done
# Simulated, so nothing on this machine changes.
apt-get install -s "$deb" > "$out/apt.txt" 2>&1 || {
  cat "$out/apt.txt" >&2
  fail "apt-get cannot install the package"
}

root=$out/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"

# The opening caution would wait for a click that never comes.
mkdir -p "$out/data"
printf '[Opening Screen]\r\nshow=0\r\n' > "$out/data/KW.INI"
"$root/usr/bin/inkwend-tool" > "$out/tool.txt" 2>&1 || true
grep -q "^usage: inkwend-tool" "$out/tool.txt" || fail "inkwend-tool did not start: $(head -3 "$out/tool.txt")"
INKWEND_STARTUP_PROBE=yes QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$out" timeout 60 "$root/usr/bin/inkwend" --data-dir "$out/data" \
  > "$out/probe.txt" 2> "$out/inkwend.log" || fail "the installed program failed: $(tail -5 "$out/inkwend.log")"
grep -Eq '^first-paint-ms [0-9.]+$' "$out/probe.txt" || fail "the installed program printed '$(cat "$out/probe.txt")'"
[ -d "$out/data/Entries" ] || fail "the installed program made no Entries folder in its data folder"
echo "package ok: $(basename "$deb"), $(wc -l < "$out/contents.txt") paths"
