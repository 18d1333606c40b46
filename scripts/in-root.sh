#!/usr/bin/env bash
# Runs a command as root in a clean root of a Debian release, e.g.
#   bash scripts/in-root.sh trixie bash test.sh
# The release's minimal root (debootstrap --variant=minbase) is made once and kept in
# $TORVEL_ROOTS (default /var/cache/unitorvel-roots/RELEASE); each run works in a fresh copy of it,
# with the checkout (less its build folders) copied to /src. The root's build folders
# (/src/build, /src/build-package, /src/build-bench) are the checkout's build-RELEASE/<name>, so
# what the command builds stays after the run, and a second run builds only what changed. The
# downloaded packages are kept in $TORVEL_ROOTS/RELEASE-apt. Apt uses the mirrors of this
# machine's own sources. The root gets /proc, /sys, /dev/pts and /dev/shm; everything runs in
# its own mount and process namespaces, so when the command ends (or fails, or is interrupted)
# every process it started is gone, every mount is undone, and the copy is removed.
set -euo pipefail

[[ $# -ge 2 ]] || { echo "usage: $0 RELEASE COMMAND..." >&2; exit 2; }
release=$1
shift
[[ $release =~ ^[a-z]+$ ]] || { echo "in-root: '$release' is not a Debian release name" >&2; exit 2; }
[[ $(id -u) -eq 0 ]] || { echo "in-root: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
[[ -x /usr/sbin/debootstrap ]] || {
    echo "in-root: installing debootstrap"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null
}
[[ -f /usr/share/debootstrap/scripts/$release ]] || {
    echo "in-root: debootstrap does not know the release '$release'" >&2
    exit 2
}
checkout=$(cd "$(dirname "$0")/.." && pwd)
cache=${TORVEL_ROOTS:-/var/cache/unitorvel-roots}
base=$cache/$release
archives=$cache/$release-apt
outside=$checkout/build-$release

. "$checkout/scripts/apt-helpers.sh"
debian_mirrors

mkdir -p "$cache" "$archives"
if [[ ! -f $base/.complete ]]; then
    echo "in-root: making a minimal $release root in $base (once)"
    rm -rf "$base.new"
    debootstrap --variant=minbase "$release" "$base.new" "${mirror%/}" >"$cache/$release-debootstrap.log" 2>&1 || {
        tail -n 20 "$cache/$release-debootstrap.log" >&2
        rm -rf "$base.new"
        echo "in-root: debootstrap failed (the whole log is $cache/$release-debootstrap.log)" >&2
        exit 1
    }
    rm -f "$base.new/etc/apt/sources.list"
    printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: %s\n\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\nSigned-By: %s\n' \
        "${mirror%/}" "$release" "$release" /usr/share/keyrings/debian-archive-keyring.gpg \
        "${security%/}" "$release" /usr/share/keyrings/debian-archive-keyring.gpg \
        >"$base.new/etc/apt/sources.list.d/debian.sources"
    # Packages installed in the root never start their services there.
    printf '#!/bin/sh\nexit 101\n' >"$base.new/usr/sbin/policy-rc.d"
    chmod +x "$base.new/usr/sbin/policy-rc.d"
    rm -rf "$base.new"/var/cache/apt/archives/*.deb
    touch "$base.new/.complete"
    rm -rf "$base"
    mv "$base.new" "$base"
fi

work=$(mktemp -d "$cache/$release-run.XXXXXX")
root=$work/root
# Undoes whatever is still mounted under the copy and ends whatever still runs in it, then
# removes the copy; runs on every way out.
cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    set +e # a process that ends by itself meanwhile is no reason to stop cleaning up
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [[ $(readlink "/proc/$pid/root" 2>/dev/null) == "$root"* ]] && kill -KILL "$pid" 2>/dev/null
    done
    local mount
    for mount in $(awk -v r="$root" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r); do
        umount -l "$mount" 2>/dev/null || true
    done
    if awk -v r="$root" 'index($2, r) == 1 { found = 1 } END { exit !found }' /proc/mounts; then
        echo "in-root: could not unmount everything under $root; left it there" >&2
    else
        rm -rf "$work"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

cp -a "$base" "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/src"
# The checkout as it is now (changes not yet committed too), less its build folders.
tar -C "$checkout" --exclude='./build*' --exclude='./.git' -cf - . | tar -C "$root/src" -xf -
binds=("$archives:/var/cache/apt/archives")
for name in build build-package build-bench; do
    mkdir -p "$outside/$name"
    binds+=("$outside/$name:/src/$name")
done

# Inside new mount and PID namespaces: the mounts are private to this run, and when the command
# ends the kernel ends every process left in the root with it.
export IN_ROOT_COMMAND=$(printf '%q ' "$@")
unshare --mount --propagation private --pid --fork --kill-child bash -euc '
    root=$1; shift
    for bind in "$@"; do
        [[ $bind == -- ]] && break
        mkdir -p "$root${bind#*:}"
        mount --bind "${bind%%:*}" "$root${bind#*:}"
    done
    mount -t proc proc "$root/proc"
    mount -t sysfs -o ro sysfs "$root/sys"
    mkdir -p "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"
    exec chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM="${TERM:-dumb}" ${CI:+CI=$CI} ${TORVEL_FUZZ_SECONDS:+TORVEL_FUZZ_SECONDS=$TORVEL_FUZZ_SECONDS} \
        bash -c "cd /src && $IN_ROOT_COMMAND"
' in-root "$root" "${binds[@]}" -- &
wait $!
