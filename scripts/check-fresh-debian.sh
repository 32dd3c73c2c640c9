#!/usr/bin/env bash
# Checks that scripts/test.sh passes from a fresh clone on a Debian 12 machine
# that has none of the build and test packages: builds a minimal bookworm root
# (debootstrap, variant minbase), clones this repository into it and runs the
# test command there as root, so every package missing from
# scripts/install-deps.sh shows up as a failure.
#
#   sudo scripts/check-fresh-debian.sh ROOT [COMMIT]
#
# ROOT is an empty or missing folder outside the repository; it is left in
# place afterwards (remove it with rm -rf once nothing is mounted there).
# COMMIT defaults to HEAD. $ORVANE_DEBIAN_MIRROR chooses the mirror (default
# http://deb.debian.org/debian). Takes about 20 minutes on two cores.
set -euo pipefail

if (($# < 1 || $# > 2)); then
  echo "usage: sudo scripts/check-fresh-debian.sh ROOT [COMMIT]" >&2
  exit 2
fi
[[ $(id -u) -eq 0 ]] || {
  echo "debootstrap and chroot need root" >&2
  exit 1
}

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
commit=$(git -C "$repo" rev-parse --verify "${2:-HEAD}^{commit}")
root=$(realpath -m "$1")
mirror=${ORVANE_DEBIAN_MIRROR:-http://deb.debian.org/debian}

case "$root/" in
  "$repo"/*) echo "$root is inside the repository" >&2; exit 1 ;;
esac
if [[ -e "$root" && -n "$(ls -A "$root")" ]]; then
  echo "$root is not empty" >&2
  exit 1
fi

if ! command -v debootstrap > /dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
fi

log() { printf 'check-fresh-debian: %s\n' "$*"; }

log "building a minimal bookworm root in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror"

# The suites a Debian 12 installation has; services are never started inside.
rm -f "$root/etc/apt/sources.list"
security=${mirror%/debian}/debian-security
cat > "$root/etc/apt/sources.list.d/debian.sources" << EOF
Types: deb
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
printf '#!/bin/sh\nexit 101\n' > "$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# Processes still running inside the root, one "pid command" a line.
processes_inside() {
  local p
  for p in /proc/[0-9]*; do
    [[ "$(readlink "$p/root" 2> /dev/null)" == "$root" ]] &&
      printf '%s %s\n' "${p#/proc/}" "$(tr '\0' ' ' < "$p/cmdline" 2> /dev/null)"
  done
  return 0
}

mounted=()
unmount_all() {
  local i left
  # Whatever the tests left behind holds the mounts; give it time to end.
  for ((i = 0; i < 60; i++)); do
    left=$(processes_inside)
    [[ -z "$left" ]] && break
    sleep 0.5
  done
  [[ -z "$left" ]] || log "still running inside the root after the tests:"$'\n'"$left"
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount "${mounted[i]}" || log "could not unmount ${mounted[i]}"
  done
}
trap unmount_all EXIT
for m in proc sys dev dev/pts dev/shm; do
  mount --bind "/$m" "$root/$m"
  mounted+=("$root/$m")
done

git clone -q --no-checkout "$repo" "$root/root/orvane"
git -C "$root/root/orvane" fetch -q origin "$commit"
git -C "$root/root/orvane" checkout -q --detach "$commit"

log "running scripts/test.sh at $(git -C "$repo" log -1 --format='%h %s' "$commit")"
start=$SECONDS
status=0
# A login's environment and nothing of this one: no locale, no display.
env -i HOME=/root TERM="${TERM:-dumb}" PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  chroot "$root" bash -lc 'cd /root/orvane && scripts/test.sh' || status=$?
log "scripts/test.sh ended with status $status after $((SECONDS - start)) s"
exit "$status"
