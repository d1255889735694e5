#!/bin/sh
# Builds the log viewer into build/viewer/cablog-viewer.html under the
# repository root. Installs the pinned npm packages first when they are
# missing or older than package-lock.json.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
    echo "viewer/build.sh: node and npm are needed (Node 20 or later)" >&2
    exit 1
fi

# npm ci leaves a copy of the lock file in node_modules; if that is older
# than ours, or missing, the installed packages are stale.
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
    npm ci --no-audit --no-fund
fi

node build.mjs "$here/../build/viewer/cablog-viewer.html"
