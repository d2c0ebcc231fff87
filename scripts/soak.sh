#!/usr/bin/env bash
# The long soak: builds zelk_soak in the plain build and plays two hours of music through the
# processor (48 kHz, then 44.1 kHz after a stop midway; blocks of 512, over 300,000 of them at
# 48 kHz, and runs of random sizes from 1 to 4096) with seeded random automation of every kind of parameter, transport jumps, loop
# changes, stop requests, auditions and state reloads, checking audio, MIDI and allocations all
# the way. Prints its progress and figures (blocks per second, length).
#   scripts/soak.sh [--seconds S] [--seed N]      (default 7400 s of music)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

zelk_install_packages
ZELK_TARGETS="zelk_soak" zelk_build "$ZELK_BUILD"
"$ZELK_BUILD/tests/zelk_soak" "$@"
