#!/usr/bin/env bash
# The page's tests in a real headless Chromium (Debian's), driven by
# puppeteer-core from npm (web/tests/browser_test.mjs): builds the site
# (scripts/web_build.sh) and compares every state the tests name with the
# native zarvo-render of the same sources (build-web/host). Extra arguments
# go to the test (--screenshot FILE saves the live page as a PNG).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
ensure_packages "${zarvo_browser_packages[@]}" imagemagick
# node and npm: the machine's own, or Debian's.
command -v node >/dev/null || ensure_packages nodejs
command -v npm >/dev/null || ensure_packages npm

scripts/web_build.sh
(cd web/tests && npm ci --no-audit --no-fund --loglevel=error)
node web/tests/browser_test.mjs build-web/site build-web/host/app/zarvo-render assets "$@"
