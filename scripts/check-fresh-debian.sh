#!/usr/bin/env bash
# Checks that a fresh Debian 12 passes `make test` from a fresh clone with the README's command
# alone: builds a minimal bookworm system with debootstrap, installs only the tools a user would
# have (g++ cmake make git), clones this repository's committed HEAD into it and runs `make test`
# there as root, so scripts/install-deps.sh has to install everything else.
#
# Usage (as root): scripts/check-fresh-debian.sh [repository] [commit]
#   repository  defaults to the repository this script lives in
#   commit      defaults to that repository's HEAD (uncommitted changes are not checked)
# Environment: TD_FRESH_MIRROR (default http://deb.debian.org/debian), TD_FRESH_KEEP=1 keeps the
# chroot folder afterwards (it is printed), TD_FRESH_PARENT (default /var/tmp) holds it.
# Exit code: that of `make test` inside the chroot, or 2 when the chroot could not be made.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
repo="${1:-$here}"
commit="$(git -C "$repo" rev-parse "${2:-HEAD}")"
mirror="${TD_FRESH_MIRROR:-http://deb.debian.org/debian}"
parent="${TD_FRESH_PARENT:-/var/tmp}"

if [ "$(id -u)" -ne 0 ]; then
    echo "check-fresh-debian: run this as root (debootstrap, chroot and mount need it)" >&2
    exit 2
fi
if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap
fi

root="$(mktemp -d "$parent/td-fresh-debian.XXXXXX")"
chmod 755 "$root"  # apt drops to its own user inside, which must reach /var/cache
mounted=()

cleanup() {
    local status=$?
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" 2>/dev/null || true
    done
    if [ "${TD_FRESH_KEEP:-0}" = 1 ]; then
        echo "check-fresh-debian: chroot kept in $root"
    elif findmnt -rn -o TARGET | grep -q "^$root"; then
        # Never delete through a mount that is still there (it would reach the host's /dev).
        echo "check-fresh-debian: something is still mounted under $root; left in place" >&2
    else
        rm -rf --one-file-system "$root"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

mount_in() {
    mkdir -p "$root$2"
    mount "${@:3}" "$1" "$root$2"
    mounted+=("$root$2")
}

echo "check-fresh-debian: debootstrap --variant=minbase bookworm $root"
if ! debootstrap --variant=minbase bookworm "$root" "$mirror"; then
    exit 2
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"

mount_in proc /proc -t proc
mount_in sysfs /sys -t sysfs
mount_in /dev /dev --bind

in_chroot() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        DEBIAN_FRONTEND=noninteractive bash -c "$1"
}

echo "check-fresh-debian: installing g++ cmake make git"
if ! in_chroot 'apt-get update -qq &&
        apt-get install -y -qq --no-install-recommends g++ cmake make git ca-certificates'; then
    exit 2
fi

echo "check-fresh-debian: cloning $repo at $commit"
git clone --quiet --no-local --no-checkout "$repo" "$root/srv/project"
git -C "$root/srv/project" checkout --quiet --detach "$commit"

echo "check-fresh-debian: make test"
status=0
in_chroot 'cd /srv/project && make test' || status=$?
if [ "$status" -eq 0 ]; then
    echo "check-fresh-debian: PASSED (commit $commit)"
else
    echo "check-fresh-debian: FAILED with exit code $status (commit $commit)"
fi
exit "$status"
