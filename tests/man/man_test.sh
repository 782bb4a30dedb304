#!/usr/bin/env bash
# The manual pages: each formats without a single troff warning, and every
# option a program's --help lists is described in its page.
#   man_test.sh MAN-DIR BIN-DIR
set -euo pipefail
man_dir="$1"
bin_dir="$2"
failed=0
for page in "$man_dir"/*.1; do
  warnings="$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || true)"
  if [ -n "$warnings" ]; then
    echo "$(basename "$page"): $warnings" >&2
    failed=1
  fi
done
for tool in marlune-find marlune-mkdatafile marlune-report; do
  page="$man_dir/$tool.1"
  [ -f "$page" ] || { echo "no manual page for $tool" >&2; failed=1; continue; }
  text="$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$page" 2>/dev/null)"
  help="$("$bin_dir/$tool" --help 2>&1 || true)"
  for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
    if ! grep -qF -- "$option" <<<"$text"; then
      echo "$tool: $option is in --help but not in the manual page" >&2
      failed=1
    fi
  done
done
exit "$failed"
