#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and holds it to lintian: no errors allowed.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
source "$(dirname "$0")/../support/checks.sh"
build=$(realpath "$1")
dir=$(mktemp -d /tmp/tevra_package_XXXXXX)
trap 'rm -rf "$dir"' EXIT

(cd "$dir" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$dir" >"$dir/cpack.log") ||
  { cat "$dir/cpack.log"; exit 1; }
deb=$(ls "$dir"/*.deb)
check "named tevra-panel" test "$(dpkg-deb -f "$deb" Package)" = tevra-panel
check "library dependencies are computed" bash -c "dpkg-deb -f '$deb' Depends | grep -q libqt6widgets6"
check "binaries are stripped" bash -c "! dpkg-deb --fsys-tarfile '$deb' | tar -xO ./usr/bin/tevra_panel | file - | grep -q 'not stripped'"
check "the station's unit and its user come with it" \
  bash -c "dpkg-deb -c '$deb' | grep -c -e '/lib/systemd/system/tevra-monitor@.service$' -e '/lib/sysusers.d/tevra.conf$' | grep -qx 2"
check "installing it creates the user" bash -c "dpkg-deb -I '$deb' postinst | grep -q '^ *systemd-sysusers tevra.conf'"
lintian --tag-display-limit 0 "$deb" >"$dir/lintian.log" 2>&1 || true
cat "$dir/lintian.log"
check "lintian reports no errors" bash -c "! grep -q '^E:' '$dir/lintian.log'"

checks_end
