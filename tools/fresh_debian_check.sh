#!/bin/bash
# Runs the README's "build and run every test" command the way a newcomer meets it: on a fresh,
# minimal Debian (12, bookworm, by default; or 13, trixie) made with mmdebstrap, as root, from a
# clean copy of the repository's HEAD.
#
#   tools/fresh_debian_check.sh [bookworm|trixie] [work folder]   (as root; mmdebstrap, network)
#
# The command is read from README.md itself, so the check proves what the README says. The new
# system gets /proc, /sys, /dev, /dev/pts, a fresh /dev/shm and this machine's /tmp (see below)
# mounted and becomes the root of a private mount namespace of its own: whatever happens, nothing
# stays mounted on this machine once the check ends, and the script also unmounts everything below
# the new system itself before it deletes it. The
# work folder (default: a new folder in /var/tmp, which has room for the ~4 GB it takes) is removed
# at the end unless KEEP=1. The exit status is the README command's.
#
# Not part of CI: it downloads and installs every package tools/deps.sh names into an empty
# system, builds from nothing and runs the whole test suite (13 minutes on a quiet 2-core machine,
# up to 25 on a busy one). Run it with "nice -n 10" on a shared machine.
set -euo pipefail

if [ "$(id -u)" != 0 ]; then
  echo "fresh_debian_check: needs root (mmdebstrap, chroot and mounts)" >&2
  exit 2
fi
for tool in mmdebstrap unshare mount umount chroot git; do
  command -v "$tool" >/dev/null || {
    echo "fresh_debian_check: $tool is missing (apt-get install mmdebstrap mount git)" >&2
    exit 2
  }
done

repo=$(cd "$(dirname "$0")/.." && pwd)
command=$(grep -m1 '^bash tools/deps.sh .*ctest ' "$repo/README.md") || {
  echo "fresh_debian_check: README.md has no \"bash tools/deps.sh ... ctest ...\" command" >&2
  exit 2
}
release="${1:-bookworm}"
case "$release" in
  bookworm | trixie) ;;
  *) echo "fresh_debian_check: the release is bookworm or trixie, not \"$release\"" >&2; exit 2 ;;
esac
work="${2:-$(mktemp -d "${TMPDIR:-/var/tmp}/pigmora-fresh-debian.XXXXXX")}"
mkdir -p "$work"
work=$(cd "$work" && pwd)
root="$work/debian-$release"
log="$work/fresh-debian.log"

say() { echo "fresh_debian_check: $*" | tee -a "$log" >&2; }

# Every mount point at or below the new system, deepest first (the test suite makes systems of its
# own inside it, with their own mounts).
mounts_below_root() {
  awk -v root="$root" '$2 == root || index($2, root "/") == 1 { print $2 }' /proc/self/mounts |
    sort -r
}

unmount_all() {
  local point
  for point in $(mounts_below_root); do
    umount "$point" 2>/dev/null || umount --lazy "$point" 2>/dev/null || true
  done
}

cleanup() {
  local status=$?
  trap - EXIT INT TERM HUP
  unmount_all
  if [ -n "$(mounts_below_root)" ]; then
    # Deleting through a mount that is still there could reach this machine's /dev.
    say "still mounted below $root, left in place: $(mounts_below_root | tr '\n' ' ')"
  elif [ "${KEEP:-0}" != 1 ]; then
    rm -rf "$root"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

: >"$log"
started=$(date +%s)
say "making a minimal Debian $release in $root"
mmdebstrap --variant=apt --mode=root "$release" "$root" >>"$log" 2>&1
made=$(date +%s)
say "made in $((made - started)) s; copying HEAD ($(git -C "$repo" rev-parse --short HEAD)) in"
git -C "$repo" archive --format=tar --prefix=pigmora/ HEAD | tar -x -C "$root/root"

say "running as root in it: $command"
# The inner shell runs in a mount namespace of its own: its mounts end with it, even if this
# script is killed. The new system becomes that namespace's root (pivot_root, not chroot): the
# Wayland tests start sway in a user namespace, which the kernel refuses to a chrooted process.
# The old root is unmounted from inside with this machine's own umount and loader, since the
# fresh system has no umount before the README command installs it.
loader=$(readlink -f /lib64/ld-linux-x86-64.so.2)
set +e
unshare --mount --propagation private -- bash -c '
  set -e
  root="$1" command="$2" loader="$3" umount_path="$4"
  mount --bind "$root" "$root"
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
  # The new system shares this machine'"'"'s network namespace, and with it the abstract sockets
  # of X servers: it shares /tmp as well, so that an X server started on either side sees the
  # display locks of the other and takes a free display, instead of a client reaching a stranger.
  mount --bind /tmp "$root/tmp"
  mkdir -p "$root/.old-root"
  cd "$root"
  pivot_root . .old-root
  cd /
  /.old-root"$loader" --library-path "/.old-root$(dirname "$loader")" /.old-root"$umount_path" \
    --lazy /.old-root
  rmdir /.old-root
  exec /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /root/pigmora && $command"
' fresh-debian "$root" "$command" "$loader" "$(command -v umount)" 2>&1 | tee -a "$log"
status=${PIPESTATUS[0]}
set -e
finished=$(date +%s)
say "the README command ended with status $status after $((finished - made)) s" \
  "($((finished - started)) s in all); log: $log"
exit "$status"
