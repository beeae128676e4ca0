#!/usr/bin/env bash
# What `cmake --install` puts where, the desktop entry's validity, and the launcher's data folder.
# Usage: install_test.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
build=$(realpath "$1")
dir=$(mktemp -d /tmp/tevra_install_XXXXXX)
trap 'rm -rf "$dir"' EXIT

DESTDIR="$dir" cmake --install "$build" --prefix /usr >/dev/null
usr=$dir/usr
for program in tevra_panel tevra-panel-launch tevra-monitor tevra-sensor-sim tevra-intensity tevra-listen; do
  check "bin/$program" test -x "$usr/bin/$program"
done
for file in share/applications/tevra_panel.desktop share/icons/hicolor/scalable/apps/tevra_panel.svg \
  share/icons/hicolor/16x16/apps/tevra_panel.png share/icons/hicolor/128x128/apps/tevra_panel.png \
  share/doc/tevra-panel/README.md share/doc/tevra-panel/copyright share/doc/tevra-panel/changelog.gz \
  lib/systemd/system/tevra-monitor@.service lib/sysusers.d/tevra.conf share/man/man1/tevra_panel.1.gz \
  share/man/man1/tevra-monitor.1.gz; do
  check "$file" test -s "$usr/$file"
done
check "the desktop entry is valid" desktop-file-validate "$usr/share/applications/tevra_panel.desktop"
check "the menu starts the launcher" grep -qx 'Exec=tevra-panel-launch' "$usr/share/applications/tevra_panel.desktop"
check "the changelog is gzip without a time stamp" \
  test "$(od -An -tu4 -j4 -N4 "$usr/share/doc/tevra-panel/changelog.gz" | tr -d ' ')" = 0

# The station's unit on the installed tree, beside systemd's own targets: an instance reads its
# options from a file of its own, writes in a folder of its own and may serve on the network.
unit=$usr/lib/systemd/system/tevra-monitor@.service
check "an instance reads /etc/tevra-monitor/<instance>.conf" grep -qx 'EnvironmentFile=/etc/tevra-monitor/%i.conf' "$unit"
check "an instance writes in /var/lib/tevra/<instance>" grep -qx 'StateDirectory=tevra/%i' "$unit"
check "the network is open to the SeedLink server" bash -c "! grep -q '^PrivateNetwork=yes' '$unit'"
if command -v systemd-analyze >/dev/null; then
  mkdir -p "$dir/etc/systemd/system"
  cp /lib/systemd/system/*.target /lib/systemd/system/*.slice "$dir/etc/systemd/system/"
  check "systemd finds nothing wrong with an instance" \
    test -z "$(systemd-analyze verify --root="$dir" --man=no tevra-monitor@main.service 2>&1)"
fi
if command -v systemd-sysusers >/dev/null; then
  cp /etc/passwd /etc/group "$dir/etc/"
  systemd-sysusers --root="$dir" tevra.conf >/dev/null 2>&1
  check "the user tevra is made, in the group dialout" grep -q '^dialout:.*\btevra\b' "$dir/etc/group"
fi

# The launcher beside a stand-in program that reports where it was started, reached through a link
# as /usr/local/bin links would be.
mkdir -p "$dir/stub" "$dir/links" "$dir/home"
cp "$usr/bin/tevra-panel-launch" "$dir/stub/"
printf '#!/bin/sh\npwd\necho "$#"\n' >"$dir/stub/tevra_panel"
chmod 755 "$dir/stub/tevra_panel"
ln -s "$dir/stub/tevra-panel-launch" "$dir/links/tevra-panel-launch"
out=$(env -u XDG_DATA_HOME HOME="$dir/home" "$dir/links/tevra-panel-launch")
check "without XDG_DATA_HOME the panel runs in ~/.local/share/tevra_panel" \
  test "$out" = "$(printf '%s\n0' "$dir/home/.local/share/tevra_panel")"
out=$(HOME="$dir/home" XDG_DATA_HOME="$dir/data home" "$dir/stub/tevra-panel-launch")
check "with XDG_DATA_HOME it runs in \$XDG_DATA_HOME/tevra_panel" test "$(head -n1 <<<"$out")" = "$dir/data home/tevra_panel"
touch "$dir/blocked"
check "a data folder that cannot be made stops the launcher" \
  bash -c "! HOME='$dir/home' XDG_DATA_HOME='$dir/blocked' '$dir/stub/tevra-panel-launch' 2>/dev/null"

checks_end
