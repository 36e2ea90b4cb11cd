#!/bin/sh
# The demonstration run by `make demo`; $1 is the build tree.
set -eu
echo "The demonstration is assembled as the programs are written."
