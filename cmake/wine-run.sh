#!/usr/bin/env bash
# Runs a Windows program under Wine with the settings the tests rely on:
# code page 932 as the ANSI code page, a private prefix in the build tree,
# no debug chatter. scripts/test.sh exports DISPLAY (its own Xvfb) and
# WINEPREFIX; the fallbacks serve a developer running ctest by hand.
export LC_ALL=${QV_WINE_LOCALE:-ja_JP.UTF-8}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wineprefix}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
