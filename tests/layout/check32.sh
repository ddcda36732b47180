#!/usr/bin/env bash
# Compiles the layout checks as 32-bit code: every fixed layout of the I/O-control contract
# and of the API's parameter blocks must have its documented size and offsets there too.
# (32-bit programs compile here but do not run, so the check is static_assert only.)
set -euo pipefail
cd "$(dirname "$0")/../.."
for src in tests/layout/*.cpp; do
  g++ -m32 -std=c++20 -Wall -Wextra -Werror -fsyntax-only -Iinclude -Icommon -I. "$src"
  echo "32-bit layouts hold: $src"
done
# The headers are C headers as well.
for src in tests/layout/*.c; do
  gcc -m32 -std=c11 -Wall -Wextra -Werror -pedantic -fsyntax-only -Iinclude -Icommon -I. "$src"
  echo "32-bit C headers compile: $src"
done
