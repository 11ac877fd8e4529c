# Helpers for the scripts that install from Debian's archive and build from its
# source packages (sourced, not run).
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
apt_updated=no
apt_update() {
  "${sudo_cmd[@]}" apt-get update -q >/dev/null
  apt_updated=yes
}

install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  echo "Installing: ${missing[*]}"
  [ "$apt_updated" = yes ] || apt_update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# apt-get source needs deb-src entries: the same archive as the binary ones.
ensure_deb_src() {
  local lists=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources)
  if grep -qsE '^(deb-src |Types:.*deb-src)' "${lists[@]}"; then return; fi
  local target
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    target=/etc/apt/sources.list.d/quillbarrow-deb-src.sources
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | "${sudo_cmd[@]}" tee "$target" >/dev/null
  else
    target=/etc/apt/sources.list.d/quillbarrow-deb-src.list
    grep -E '^deb .*debian' /etc/apt/sources.list | sed 's/^deb /deb-src /' | "${sudo_cmd[@]}" tee "$target" >/dev/null
  fi
  echo "Added source entries: $target"
  apt_update
}

source_version() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -1
}

