#!/bin/sh
# The demonstration run by `make demo`; $1 is the build tree. First a whole upgrade between two
# simulated firewalls, then the template interpreter and the offline conversion on their own.
set -eu
build=${1:-build/default}
sh data/demo-upgrade.sh "$build"
echo
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

# The offline conversion of the sample 5.x configuration (data/samples), kept under the build tree.
samples=data/samples
conv="$build/demo-convert"
rm -rf "$conv"
echo
echo "== upgrade-cli convert: $samples/branch-5x.conf merged with $samples/init-60.conf (pairs by address)"
"$build/cli/upgrade-cli" convert --old "$samples/branch-5x.conf" --new "$samples/init-60.conf" \
    --template data/5xTo60.tpl --workdir "$conv/by-address"
echo
echo "== upgrade-cli convert: the same with $samples/init-60-readdressed.conf (new addresses, paired with --pair)"
"$build/cli/upgrade-cli" convert --old "$samples/branch-5x.conf" --new "$samples/init-60-readdressed.conf" \
    --template data/5xTo60.tpl --workdir "$conv/readdressed" \
    --pair eth0=ext0 --pair eth1=int0 --pair eth2=dmz0
echo
echo "== Warnings for the administrator ($conv/readdressed/warnings.txt)"
tr -d '\r' < "$conv/readdressed/warnings.txt"
echo "== Interface and NAT settings of the final configuration ($conv/readdressed/kestrane.conf.6FINAL)"
grep -E '^(netobj_list_Outside_element_[0-9]+_(interface|addr)|rule_(nat|inat)rule_[0-9]+_network-interface)=' \
    "$conv/readdressed/kestrane.conf.6FINAL"
