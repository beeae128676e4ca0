#!/usr/bin/env bash
# The main job. For now: what the panel would show for the bundled Yonago record of 2000-10-06.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build >/dev/null
build/tools/intensity/tevra-intensity tests/data/jma/AA06EA01.csv
