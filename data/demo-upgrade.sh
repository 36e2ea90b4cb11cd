#!/bin/sh
# A whole upgrade between two simulated firewalls on loopback, run by `make demo`; $1 is the build tree.
#
# Two fwsim instances serve copies of the firewall roots under data/demo/ (an old 5.x firewall with
# the sample configuration, companion files and certificates, and a freshly installed 6.0 one);
# `upgrade-cli run` downloads, converts, merges, uploads and applies; then the working directory,
# its warnings and what the new firewall now holds are shown. The simulators are stopped by their
# process ids whatever happens.
set -eu
build=${1:-build/default}
cli="$build/cli/upgrade-cli"
fwsim="$build/sim/fwsim"
scratch=$(mktemp -d)
old_pid=""
new_pid=""
stop_simulators() {
    for pid in $old_pid $new_pid; do kill "$pid" 2>/dev/null || true; done
    for pid in $old_pid $new_pid; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap stop_simulators EXIT
trap 'exit 130' INT TERM

cp -R data/demo/old-root "$scratch/old-root"
cp -R data/demo/new-root "$scratch/new-root"
mkdir -m 700 "$scratch/upgrades"
umask 077
printf 'demo-password\n' > "$scratch/password"

# Starts fwsim on a root; its port is written to PORT_FILE once it listens.
start_simulator() { # ROOT VERSION PORT_FILE LOG
    "$fwsim" --root "$1" --version "$2" --user admin --password-file "$scratch/password" \
        --listen 127.0.0.1 --port 0 --port-file "$3" --idle-timeout 0 2>"$4" &
}
wait_for_port() { # PORT_FILE
    i=0
    while [ ! -s "$1" ]; do
        i=$((i + 1))
        if [ "$i" -gt 100 ]; then echo "fwsim did not start" >&2; exit 1; fi
        sleep 0.1
    done
    cat "$1"
}

start_simulator "$scratch/old-root" 5.5 "$scratch/old.port" "$scratch/old.log"
old_pid=$!
start_simulator "$scratch/new-root" KF6.0 "$scratch/new.port" "$scratch/new.log"
new_pid=$!
old_port=$(wait_for_port "$scratch/old.port")
new_port=$(wait_for_port "$scratch/new.port")
echo "== Two simulated firewalls: the old one (5.5) on 127.0.0.1:$old_port, pid $old_pid;" \
     "the new one (KF6.0) on 127.0.0.1:$new_port, pid $new_pid"
echo
echo "== upgrade-cli run --old-host 127.0.0.1 --old-port $old_port --old-user admin" \
     "--new-host 127.0.0.1 --new-port $new_port --new-user admin --in $scratch/upgrades"
UPGRADE_OLD_PASSWORD=demo-password UPGRADE_NEW_PASSWORD=demo-password \
    "$cli" run --template data/5xTo60.tpl \
    --old-host 127.0.0.1 --old-port "$old_port" --old-user admin \
    --new-host 127.0.0.1 --new-port "$new_port" --new-user admin \
    --in "$scratch/upgrades" > "$scratch/run.out"
cat "$scratch/run.out"
workdir=$(sed -n 's/^Working directory: //p' "$scratch/run.out" | tail -n 1)
[ -n "$workdir" ] || workdir=$(ls -d "$scratch"/upgrades/*/ | head -n 1)

echo
echo "== The working directory ($workdir)"
ls -l "$workdir"
# The warnings for the administrator (warnings.txt) closed the run's output above.

new_conf="$scratch/new-root/usr/local/etc/mgmt/kestrane.conf"
echo
echo "== The new firewall now runs the final configuration"
if cmp -s "$new_conf" "$workdir/kestrane.conf.6FINAL"; then
    echo "/usr/local/etc/mgmt/kestrane.conf is identical to kestrane.conf.6FINAL" \
         "($(wc -l < "$new_conf") settings); its initial one is kept as kestrane.conf.previous"
else
    echo "/usr/local/etc/mgmt/kestrane.conf differs from kestrane.conf.6FINAL" >&2
    exit 1
fi
echo
echo "== Files restored on the new firewall"
(cd "$scratch/new-root" && find usr/local/etc -type f | sort | sed 's|^|/|')
echo
echo "== What the new firewall was asked (fwsim's request log)"
cat "$scratch/new.log"
