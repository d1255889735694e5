#!/bin/sh
# Checks the formatting, builds the viewer and runs its unit tests and its
# browser tests.
#
#   [CABLOG_MODULE=.../cablog.so CABLOG_HOST=.../cablog-host] viewer/test.sh [LOG_FILE]
#
# LOG_FILE: a log written by the plug-in; the parser tests read it besides
# the fixtures, and the browser tests use it instead of the fixture.
# CABLOG_MODULE and CABLOG_HOST: the Linux module and the host stand-in;
# with them, logs written by the real module are opened too (skipped
# without).
set -eu
here=$(cd "$(dirname "$0")" && pwd)

# Paths given relative to where we were called from.
absolute() {
    if [ ! -r "$2" ]; then
        echo "viewer/test.sh: $1: cannot read $2" >&2
        exit 2
    fi
    echo "$(cd "$(dirname "$2")" && pwd)/$(basename "$2")"
}
if [ -n "${CABLOG_MODULE:-}" ]; then CABLOG_MODULE=$(absolute CABLOG_MODULE "$CABLOG_MODULE"); export CABLOG_MODULE; fi
if [ -n "${CABLOG_HOST:-}" ]; then CABLOG_HOST=$(absolute CABLOG_HOST "$CABLOG_HOST"); export CABLOG_HOST; fi

if [ $# -gt 1 ]; then
    echo "usage: viewer/test.sh [LOG_FILE]" >&2
    exit 2
fi
if [ $# -eq 1 ]; then
    if [ ! -r "$1" ]; then
        echo "viewer/test.sh: cannot read log file: $1" >&2
        exit 2
    fi
    CABLOG_LOG_FILE=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    export CABLOG_LOG_FILE
fi
cd "$here"

chromium=${CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ]; then
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null 2>&1; then
        echo "viewer/test.sh: installing chromium" >&2
        export DEBIAN_FRONTEND=noninteractive
        apt-get install -y chromium || { apt-get update && apt-get install -y chromium; }
    fi
    if [ ! -x "$chromium" ]; then
        echo "viewer/test.sh: $chromium is missing; install Debian's chromium package" >&2
        exit 1
    fi
fi

./build.sh
if ! npx --no-install prettier --check --log-level warn '*.mjs' 'src/**/*.{js,css}' 'cli/**/*.js' 'test/**/*.js' 'bench/**/*.mjs'; then
    echo "viewer/test.sh: formatting differs from Prettier's; run 'npm run format' in viewer/" >&2
    exit 1
fi
CABLOG_VIEWER_HTML="$here/../build/viewer/cablog-viewer-test.html" \
    node --test --test-reporter=tap --test-concurrency=1 test/unit/ test/e2e/
