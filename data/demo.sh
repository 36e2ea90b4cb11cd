#!/bin/sh
# The demonstration run by `make demo`; $1 is the build tree.
set -eu
build=${1:-build/default}
demo=data/template-demo
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "== The sample configuration ($demo/firewall.conf)"
cat "$demo/firewall.conf"
echo
echo "== The template script ($demo/demo.tpl)"
cat "$demo/demo.tpl"
echo
echo "== upgrade-cli template $demo/firewall.conf $demo/demo.tpl"
"$build/cli/upgrade-cli" template "$demo/firewall.conf" "$demo/demo.tpl" \
    -o "$out/firewall.conf.converted" -l "$out/template.log" -W "$out/warnings.txt"
echo
echo "== The converted configuration"
cat "$out/firewall.conf.converted"
echo
echo "== The log"
cat "$out/template.log"
echo
echo "== Warnings for the administrator"
cat "$out/warnings.txt"
