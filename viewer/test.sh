#!/bin/sh
# Builds the viewer and runs its unit tests and its browser tests.
#
#   viewer/test.sh [LOG_FILE]
#
# LOG_FILE: a log written by the plug-in; the parser tests read it besides
# the fixtures, and the browser tests use it instead of the fixture.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cd "$here"

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
CABLOG_VIEWER_HTML="$here/../build/viewer/cablog-viewer.html" \
    node --test --test-reporter=tap --test-concurrency=1 test/unit/ test/e2e/
