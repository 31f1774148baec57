#!/usr/bin/env bash
# Neovim headless against zelta-lsp on a copy of the calc example: the
# incoming calls as the editor's quickfix list.  nvim_test.sh ZELTA_LSP EXAMPLES_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$2"/calc/*.c "$2"/calc/*.h "$work/"
cd "$work"
status=0
LSP_ROOT=$work LSP_OUT=$work/qf.txt ZELTA_LSP=$1 \
  timeout 90 nvim --headless -n -i NONE -u "$here/init.lua" </dev/null >nvim.out 2>nvim.err || status=$?
if ! diff -u "$here/expected.txt" qf.txt; then
  echo "nvim exit status $status"; cat nvim.out nvim.err
  exit 1
fi
