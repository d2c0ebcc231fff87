#!/usr/bin/env bash
# Installs what the build and the tests need (Debian 12, as root or with sudo), then builds.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

zelk_install_packages
zelk_build "$ZELK_BUILD"
